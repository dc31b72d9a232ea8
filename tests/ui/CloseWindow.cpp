// Asks an X window to close, as a title bar's close button does, then
// watches it until it is gone. Prints each new geometry of the window, one
// "x y width height" per line, so that a test can check how the closing
// animation shrank it and moved it towards the lower right.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

bool alive = true;

int OnError(Display*, XErrorEvent*) {
  alive = false;  // the window is gone
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: ui_close_window WINDOW-ID\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("ui_close_window: cannot open the display\n", stderr);
    return 1;
  }
  XSetErrorHandler(OnError);
  const Window window = std::strtoul(argv[1], nullptr, 0);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);

  XWindowAttributes last{};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (alive && std::chrono::steady_clock::now() < deadline) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 || !alive)
      break;
    if (attributes.map_state == IsViewable &&
        (attributes.x != last.x || attributes.y != last.y || attributes.width != last.width ||
         attributes.height != last.height)) {
      last = attributes;
      std::printf("%d %d %d %d\n", last.x, last.y, last.width, last.height);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  XCloseDisplay(display);
  return 0;
}
