// The engine's whole-degree sine and cosine tables as fixed data, identical on every platform,
// and the one way an angle in degrees becomes an index into them.
#pragma once
#include <cmath>

extern const float sinDegrees[360]; // sin(i degrees) rounded to float, i = 0..359
extern const float cosDegrees[360]; // cos(i degrees) rounded to float

// Table index of an angle in degrees: the non-negative remainder of its truncation toward zero
// by 360, so negative, huge or fractional phases still land inside the tables (-0.5 -> 0,
// -1.5 -> 359, 725 -> 5). Beyond the int range the remainder is taken in double precision rather
// than converting out of range; a NaN or an infinity selects 0.
inline int degreeIndex(int degrees) {
  int r = degrees % 360;
  return r < 0 ? r + 360 : r;
}
inline int degreeIndex(double degrees) {
  if (degrees > -2147483000.0 && degrees < 2147483000.0) return degreeIndex((int)degrees);
  if (!std::isfinite(degrees)) return 0;
  int r = (int)std::fmod(std::trunc(degrees), 360.0);
  return r < 0 ? r + 360 : r;
}
inline int degreeIndex(float degrees) { return degreeIndex((double)degrees); }
