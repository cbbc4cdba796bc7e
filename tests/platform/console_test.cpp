// The console layer on the memory back end, which the offline renderer and the tests use: the back
// end travels with the window that the console opens on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/display_console.h"
#include "platform/ptc.h"

namespace {

const ptc::Format xrgb(32, 0xFF0000, 0x00FF00, 0x0000FF, 0);

TEST(MemoryConsole, KeepsTheLastCopiedFrameAndTakesQuitRequestsOnce) {
  ptc::Window* window = ptc::createWindow("test", ptc::Backend::Memory);
  ASSERT_NE(window->handle, nullptr);
  EXPECT_EQ(window->backend, ptc::Backend::Memory);
  {
    ptc::Console console;
    console.open(window, 4, 2, xrgb, 0);
    EXPECT_EQ(console.window(), window->handle);
    ptc::Surface surface(4, 2, xrgb);
    uint32_t* pixels = (uint32_t*)surface.lock();
    for (int i = 0; i < 8; ++i) pixels[i] = 0x010203u * (uint32_t)i;
    surface.unlock();
    surface.copy(console);
    console.update();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(console.frame()[i], 0x010203u * (uint32_t)i) << i;
  }
  EXPECT_FALSE(ptc::pumpWindow(window));
  ptc::postQuit(window);
  EXPECT_TRUE(ptc::pumpWindow(window));
  EXPECT_FALSE(ptc::pumpWindow(window));
  ptc::destroyWindow(window);
}

TEST(MemoryConsole, RefusesToOpenWithoutAWindowOrOnAnotherFormat) {
  ptc::Console console;
  try {
    console.open(nullptr, 320, 240, xrgb, 0);
    FAIL() << "opened without a window";
  } catch (const ptc::DynamicError& e) {
    EXPECT_STREQ(e.message(), "console open: no window");
  }
  ptc::Window* window = ptc::createWindow("test", ptc::Backend::Memory);
  try {
    console.open(window, 320, 240, ptc::Format(16, 0xF800, 0x07E0, 0x001F, 0), 0);
    FAIL() << "opened on a 16-bit format";
  } catch (const ptc::DynamicError& e) {
    EXPECT_STREQ(e.message(), "only 32-bit pixel formats are supported");
  }
  EXPECT_THROW(console.update(), ptc::DynamicError); // never opened
  ptc::destroyWindow(window);
}

TEST(MemoryConsole, DisplayConsolePresentsTheSurfaceWithNoDisplayAtAll) {
  // Two display consoles at once, each on the back end its creator chose.
  DisplayConsole first(ptc::Backend::Memory, 320, 240, 32, 0, 0, 320, 240);
  DisplayConsole second(ptc::Backend::Memory, 320, 240, 32, 0, 0, 320, 240);
  uint32_t* pixels = first.lock();
  for (int i = 0; i < 320 * 240; ++i) pixels[i] = (uint32_t)i;
  first.present();
  pixels = second.lock();
  memset(pixels, 0, 320 * 240 * 4);
  second.present();
  EXPECT_EQ(first.presentedFrame()[320 * 240 - 1], (uint32_t)(320 * 240 - 1));
  EXPECT_EQ(second.presentedFrame()[320 * 240 - 1], 0u);
  EXPECT_FALSE(first.pumpMessages());
}

} // namespace
