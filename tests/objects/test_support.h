// Shared by the object and render tests: one 320 x 240 render space for the whole program (its
// scratch picture the default texture), and loading an object from LWOB bytes built in the test.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "objects/object3d.h"
#include "objects/render_space.h"

inline RenderSpace& testSpace() {
  static RenderSpace* space = [] {
    auto* s = new RenderSpace(320, 240);
    s->scratch = new Bitmap(320, 240);
    return s;
  }();
  return *space;
}

// Loads bytes into object (defaults, reader, preparation); returns the reader's error, "" on success.
inline std::string loadBytes(Object3D& object, const std::string& bytes) {
  std::string error;
  if (!object.loadFromBytes((const uint8_t*)bytes.data(), bytes.size(), error)) return error.empty() ? "?" : error;
  return "";
}

// Only the reader, on a defaulted object: the values as the file gives them, before preparation.
#include "objects/lwo.h"
inline std::string readBytes(Object3D& object, const std::string& bytes) {
  object.makeDefaults();
  LwoReader reader;
  reader.openBytes((const uint8_t*)bytes.data(), bytes.size());
  std::string error;
  return readLwoData(object, reader, error) ? "" : error;
}
