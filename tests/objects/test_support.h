// Shared by the object and render tests: one 320 x 240 engine context for the whole program, and
// loading an object from LWOB bytes built in the test.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "objects/object3d.h"
#include "core/engine_context.h"

inline EngineContext& testEngine() {
  static EngineContext* context = [] {
    auto* c = new EngineContext(320, 240);
    setEngine(c);
    return c;
  }();
  setEngine(context);
  return *context;
}

// Loads bytes into object (defaults, reader, preparation); returns the reader's error, "" on success.
inline std::string loadBytes(Object3D& object, const std::string& bytes) {
  testEngine();
  std::string error;
  if (!object.loadFromBytes((const uint8_t*)bytes.data(), bytes.size(), error)) return error.empty() ? "?" : error;
  return "";
}

// Only the reader, on a defaulted object: the values as the file gives them, before preparation.
#include "objects/lwo.h"
inline std::string readBytes(Object3D& object, const std::string& bytes) {
  testEngine();
  object.makeDefaults();
  LwoReader reader;
  reader.openBytes((const uint8_t*)bytes.data(), bytes.size());
  std::string error;
  return readLwoData(object, reader, error) ? "" : error;
}
