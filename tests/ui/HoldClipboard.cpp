// Keeps the X clipboard away from every other program, as a clipboard tool
// gone wrong would: takes the CLIPBOARD selection and takes it again every
// INTERVAL microseconds (it never hands out contents). Prints "held" once it
// holds the clipboard, and "taken" whenever it finds that another program
// took it in the meantime; runs until killed.
//
//   ui_hold_clipboard INTERVAL-US

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: ui_hold_clipboard INTERVAL-US\n", stderr);
    return 2;
  }
  const auto interval = std::chrono::microseconds(std::strtol(argv[1], nullptr, 10));
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("ui_hold_clipboard: cannot open the display\n", stderr);
    return 1;
  }
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  XSetSelectionOwner(display, clipboard, window, CurrentTime);
  if (XGetSelectionOwner(display, clipboard) != window) {
    std::fputs("ui_hold_clipboard: cannot take the clipboard\n", stderr);
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  for (;;) {
    // Looks and takes with the server to itself, so that no claim made
    // between two turns goes unseen.
    XGrabServer(display);
    const Window owner = XGetSelectionOwner(display, clipboard);
    if (owner != window && owner != None) {
      std::puts("taken");
      std::fflush(stdout);
    }
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    XUngrabServer(display);
    XSync(display, True);  // dropping the requests for contents
    std::this_thread::sleep_for(interval);
  }
}
