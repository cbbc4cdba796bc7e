// x11_close WINDOW_ID: asks a window to close the way a window manager's close button does, with
// a WM_DELETE_WINDOW client message (destroying the window instead would kill any SDL program).
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: x11_close WINDOW_ID\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    fprintf(stderr, "x11_close: cannot open display\n");
    return 1;
  }
  Window window = (Window)strtoul(argv[1], nullptr, 0);
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return 0;
}
