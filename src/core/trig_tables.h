// The engine's whole-degree sine and cosine tables as fixed data, identical on every platform.
#pragma once

extern const float sinDegrees[360]; // sin(i degrees) rounded to float, i = 0..359
extern const float cosDegrees[360]; // cos(i degrees) rounded to float
