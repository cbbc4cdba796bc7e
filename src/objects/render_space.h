// RenderSpace: what the objects drawn by one renderer share. The depth buffer every face is tested
// against (one 16-bit depth per pixel of the render size, 0xFFFF farthest), and the render-size
// picture an object uses as its texture until it is given its own. Objects are scaled to its
// height when they load.
#pragma once
#include <cstdint>

#include "core/failure.h"

class Bitmap;

class RenderSpace {
public:
  int width = 0, height = 0;    // the render size
  uint16_t* depths = nullptr;   // width x height, row-major
  Bitmap* scratch = nullptr;    // borrowed; set by the owner once the picture exists
  zub::Failure failure;         // set when the depths could not be allocated

  RenderSpace(int width, int height);
  ~RenderSpace();
  RenderSpace(const RenderSpace&) = delete;
  RenderSpace& operator=(const RenderSpace&) = delete;

  void clearDepths();
};
