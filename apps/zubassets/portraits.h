// Painted portraits: a head lit as a rounded solid, hair in strands with a sheen, eyes with iris,
// lids and highlights, lips, a neck and shoulders, over a background with depth (soft out-of-focus
// lights). Every sample is worked out from shapes, anti-aliased by four samples a pixel.
#pragma once
#include <cstdint>

class Bitmap;

namespace assets {

struct PortraitStyle {
  double cx = 120, cy = 100;     // centre of the head
  double rx = 46, ry = 58;       // half width and half height of the head
  double turn = 0;               // -1..1: the face turns toward the viewer's left (-) or right (+)
  double lightX = -0.5, lightY = -0.5, lightZ = 0.7; // where the key light comes from (x right, y down, z toward the viewer)
  double ambient = 0.3;          // light in the shadows
  uint32_t skin = 0xF0C0A0, hair = 0x402010, iris = 0x3A6A40, lips = 0xB83848, clothes = 0x303848;
  uint32_t backTop = 0x301848, backBottom = 0x080410; // the background's gradient
  uint32_t bokeh = 0x8060C0;     // the out-of-focus lights behind
  uint32_t rim = 0x8080FF;       // light from behind along the silhouette
  int hairStyle = 0;             // 0 long and straight, 1 a bob to the jaw, 2 wild and lit by sparks
  double freckles = 0;           // 0..1: how many freckles over the nose and cheeks
  int topFade = 0;               // rows at the top that fade smoothly to black
  uint32_t seed = 1;
};

void paintPortrait(Bitmap& b, const PortraitStyle& style);

} // namespace assets
