/* first_window: how long a program takes to show its first window, for tests/bench/startup_wine.sh.
 *
 *   first_window TITLE TIMEOUT-SECONDS COMMAND [ARGUMENT...]
 *
 * Watches the X display ($DISPLAY) for top-level windows, starts COMMAND, waits until a mapped
 * top-level window whose name is exactly TITLE exists, prints the seconds from the start to that
 * moment (e.g. "0.412"), kills COMMAND's process and waits for it. The display is watched through
 * its events (no polling), so the time is that of the map itself. Exit code 0; 1 and "timeout"
 * when no such window came within the timeout; 2 on a usage or display error. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

/* Whether the window's name (UTF-8 _NET_WM_NAME, else WM_NAME) is title. */
static int HasTitle(Display* display, Window window, const char* title) {
  static Atom netName = None, utf8 = None;
  if (netName == None) {
    netName = XInternAtom(display, "_NET_WM_NAME", False);
    utf8 = XInternAtom(display, "UTF8_STRING", False);
  }
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* value = NULL;
  int same = 0;
  if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &value) ==
          Success &&
      value) {
    same = type == utf8 && strlen(title) == count && memcmp(value, title, count) == 0;
    XFree(value);
    if (same) return 1;
  }
  char* name = NULL;
  if (XFetchName(display, window, &name) && name) {
    same = strcmp(name, title) == 0;
    XFree(name);
  }
  return same;
}

static int IsMapped(Display* display, Window window) {
  XWindowAttributes a;
  return XGetWindowAttributes(display, window, &a) && a.map_state == IsViewable;
}

static int ignore_errors(Display* display, XErrorEvent* error) {
  (void)display;
  (void)error;
  return 0; /* a window that went away between the event and the question */
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: first_window TITLE TIMEOUT-SECONDS COMMAND [ARGUMENT...]\n");
    return 2;
  }
  const char* title = argv[1];
  const double timeout = atof(argv[2]);
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "first_window: cannot open the display\n");
    return 2;
  }
  XSetErrorHandler(ignore_errors);
  const Window root = DefaultRootWindow(display);
  /* Creation and mapping of the root's children (top-level windows without a window manager). */
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  const double start = Now();
  const pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) {
    execvp(argv[3], argv + 3);
    _exit(127);
  }

  double found = -1;
  while (found < 0) {
    while (XPending(display) && found < 0) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type == CreateNotify && e.xcreatewindow.parent == root) {
        /* Its name may come after the map: watch its properties too. */
        XSelectInput(display, e.xcreatewindow.window, PropertyChangeMask);
      } else if (e.type == MapNotify && e.xmap.event == root) {
        if (HasTitle(display, e.xmap.window, title)) found = Now();
      } else if (e.type == PropertyNotify && e.xproperty.state == PropertyNewValue) {
        if (IsMapped(display, e.xproperty.window) && HasTitle(display, e.xproperty.window, title)) found = Now();
      }
    }
    if (found >= 0) break;
    const double left = start + timeout - Now();
    if (left <= 0) break;
    int status;
    if (waitpid(child, &status, WNOHANG) == child) {
      fprintf(stderr, "first_window: %s ended before showing \"%s\"\n", argv[3], title);
      printf("timeout\n");
      return 1;
    }
    struct pollfd p = {ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, left < 0.05 ? (int)(left * 1000) + 1 : 50);
  }
  kill(child, SIGKILL);
  waitpid(child, NULL, 0);
  XCloseDisplay(display);
  if (found < 0) {
    printf("timeout\n");
    return 1;
  }
  printf("%.3f\n", found - start);
  return 0;
}
