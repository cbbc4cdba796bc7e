// A whole DemoApp on the memory console and the virtual clock, built from the committed asset
// pack, for tests that drive the frame loop pass by pass.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/clock.h"
#include "music/midas.h"
#include "shell/demo_app.h"
#include "platform/ptc.h"
#include "core/random.h"

class DemoOnVirtualClock : public ::testing::Test {
protected:
  std::filesystem::path previous;
  std::unique_ptr<DemoApp> app;
  std::string loadOutput;

  void SetUp() override {
    previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(ZUB_SOURCE_DIR) / "data");
    midasUseBackend(MidasBackend::Silent);
    zub::clockUseVirtual(0);
    zub::demoRandReset();
    testing::internal::CaptureStdout();
    app = std::make_unique<DemoApp>(ptc::Backend::Memory);
    loadOutput = testing::internal::GetCapturedStdout();
  }

  void TearDown() override {
    app.reset();
    zub::clockUseWall();
    std::filesystem::current_path(previous);
  }

  // Sets the clock to `ms` and runs passes until one frame has been drawn. False when the loop ended.
  bool frameAt(int ms) {
    zub::clockSetVirtual(ms);
    return app->passUntilNextFrame();
  }

  // The next frame, at the time the pacer grants it. False when the loop ended.
  bool nextFrame() { return frameAt(app->pacer->startTicks + app->pacer->dueTicks(app->pacer->framesIssued)); }

  // Begins the timeline at `scene` instead of the first one: a test of one scene needs no frames of
  // the scenes before it. Before the first frame only.
  void startAt(SceneFn scene) { app->sceneFn = scene; }

  Bitmap* slot(int n) { return app->context->bitmaps[n].get(); }
};
