// Extruded lettering built from the font's outlines: the letters' faces triangulated, a rounded
// bevel around them and sides behind, so diagonals and curves stay smooth at every distance.
#pragma once
#include <cstdint>
#include <string>

#include "mesh.h"

namespace assets {

struct LetteringStyle {
  double bevel = 0.03;    // width and depth of the rounded bevel, in ems
  double depth = 0.16;    // from the face to the back, in ems
  double tilt = 0;        // degrees the letters lean their tops toward the viewer (negative: away)
  double tracking = 0;    // extra space between letters, in ems
  double tolerance = 0.003; // how far a flattened curve may stray from the outline, in ems
  uint32_t colour = 0xF0B040; // the surfaces' colour when drawn untextured
};

// The mesh of `text` in the scenes' convention: rows run down the model's y axis and the faces
// look along +z, because every scene turns the lettering half a turn about x.
Mesh extrudedLettering(const std::string& text, const LetteringStyle& style);

} // namespace assets
