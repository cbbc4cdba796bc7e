// The polygon renderer's shared piece: the angle between two vectors that every culling and
// lighting decision uses. Object3D::render itself is declared with the object.
#pragma once
#include "objects/geometry.h"

// Degrees between a and b, 0..180; the cosine is held to [-1, 1] so rounding cannot make a NaN.
float angleBetween(const Vec3& a, const Vec3& b);
