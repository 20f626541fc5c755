// qavsaver3: the screen saver's scenes in an X window, as a hack of XScreenSaver. Draws into
// the window named by -window-id or XSCREENSAVER_WINDOW, the root window with -root, or a
// full-screen window of its own, which a key or a mouse button ends. It draws nothing while
// nobody can see the window (unmapped, covered, or the monitor powered down) and starts a fresh
// scene when it is seen again. On SIGTERM, SIGINT or SIGHUP it stops the music, gives the shared
// memory back and ends by that signal, as XScreenSaver expects of a hack; within a second even
// when the X server does not answer.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/dpms.h>
#include <malloc.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "show/embedded_images.h"
#include "show/image_decode.h"
#include "show/picture_show.h"
#include "show/speed.h"
#include "show/tick_schedule.h"
#include "show/zoom.h"
#include "unix/alsa_music.h"
#include "unix/monotonic_clock.h"
#include "unix/options.h"
#include "unix/stop_signals.h"
#include "x11/monitors.h"
#include "x11/x_present.h"

namespace {

constexpr int kDefaultDpi = 96;

int WindowErrors = 0;  // BadWindow or BadDrawable: the window we draw into is gone

int OnXError(Display*, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) ++WindowErrors;
  return 0;
}

int OnXIOError(Display*) {
  // The server is gone: nothing more can be drawn. Stop the music and end.
  MusicClose();
  _exit(0);
}

// The Xft.dpi resource of the screen, or kDefaultDpi when it is not set.
int ScreenDpi(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (!resources) return kDefaultDpi;
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  int dpi = kDefaultDpi;
  char* type = nullptr;
  XrmValue value = {};
  if (database && XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    const double read = std::strtod(value.addr, nullptr);
    if (read >= 1 && read <= 10000) dpi = static_cast<int>(read + 0.5);
  }
  if (database) XrmDestroyDatabase(database);
  return dpi;
}

// A full-screen window of the program's own, black, without a cursor.
Window OwnWindow(Display* display) {
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes = {};
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.event_mask =
      KeyPressMask | ButtonPressMask | ExposureMask | StructureNotifyMask | VisibilityChangeMask;
  const Window window =
      XCreateWindow(display, RootWindow(display, screen), 0, 0, DisplayWidth(display, screen),
                    DisplayHeight(display, screen), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, window, "qavsaver3");
  XClassHint hint = {const_cast<char*>("qavsaver3"), const_cast<char*>("QavSaver3")};
  XSetClassHint(display, window, &hint);
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&fullScreen), 1);
  static const char kNoBits[8] = {};
  const Pixmap blank = XCreateBitmapFromData(display, window, kNoBits, 8, 8);
  XColor black = {};
  const Cursor none = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
  XDefineCursor(display, window, none);
  XFreeCursor(display, none);
  XFreePixmap(display, blank);
  XMapRaised(display, window);
  return window;
}

struct Target {
  Window window;
  bool own;
  bool wholeScreen;  // the root window or the program's own: one show for each monitor
  int width;
  int height;
  Visual* visual;
  int depth;
  bool mapped;
};

bool FindTarget(Display* display, const HackOptions& options, Target* target) {
  unsigned long id = options.windowId;
  if (!id) id = ParseWindowId(std::getenv("XSCREENSAVER_WINDOW"));
  if (!id && options.root) id = DefaultRootWindow(display);
  target->own = id == 0;
  target->window = target->own ? OwnWindow(display) : Window(id);
  const Window root = DefaultRootWindow(display);
  target->wholeScreen = target->own || target->window == root;
  // A change of the monitors comes as a ConfigureNotify of the root window.
  if (target->own) XSelectInput(display, root, StructureNotifyMask);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, target->window, &attributes)) return false;
  if (attributes.c_class == InputOnly) return false;  // it has no pixels to draw
  // Whether the window is covered comes as a VisibilityNotify; the root window never is.
  if (!target->own) {
    XSelectInput(display, target->window,
                 attributes.your_event_mask | ExposureMask | StructureNotifyMask |
                     (target->window == root ? 0 : VisibilityChangeMask));
  }
  target->mapped = attributes.map_state != IsUnmapped;
  target->width = attributes.width;
  target->height = attributes.height;
  target->visual = attributes.visual;
  target->depth = attributes.depth;
  return true;
}

// A show and the image that puts its picture on its part of the window.
struct ShownPicture {
  PictureShow show;
  XPresent present;
  MonitorRect area;
};

// The shows a window holds: one for each monitor it covers where it is the whole screen, else
// one for the whole window. Show i is seeded with seed + i, so that the monitors differ.
struct Shows {
  ShownPicture shown[kMaxMonitors];
  int count = 0;
  uint32_t seed = 0;
};

// The parts of the window that each get a show.
int ShowAreas(Display* display, const Target& target, MonitorRect* areas) {
  int count = 0;
  if (target.wholeScreen) {
    count = FindMonitors(display, DefaultRootWindow(display), target.width, target.height, areas);
  }
  if (count == 0) {
    areas[0] = MonitorRect{0, 0, target.width, target.height};
    count = 1;
  }
  return count;
}

// Whether the shows stand in exactly these areas.
bool ShowsStandIn(const Shows& shows, const MonitorRect* areas, int count) {
  if (count != shows.count) return false;
  for (int i = 0; i < count; ++i) {
    if (!SameMonitorRect(areas[i], shows.shown[i].area)) return false;
  }
  return true;
}

void StopShow(ShownPicture* shown) {
  PictureShowStop(shown->show);  // first: its picture may be kept in the present's image
  PresentClose(shown->present);
}

// Paints the window black where no show draws: between and around monitors of different sizes.
void PaintGaps(Display* display, const Target& target, const MonitorRect* areas, int count) {
  if (count == 1 && SameMonitorRect(areas[0], MonitorRect{0, 0, target.width, target.height})) {
    return;
  }
  XGCValues values = {};
  values.foreground = BlackPixel(display, DefaultScreen(display));
  GC gc = XCreateGC(display, target.window, GCForeground, &values);
  XFillRectangle(display, target.window, gc, 0, 0, target.width, target.height);
  XFreeGC(display, gc);
}

// Lays the shows out on the window, one in each of the `count` areas: each picture pixel is zoom x
// zoom window pixels, the zoom raised where a picture would otherwise be larger than the compositor
// takes (an 8K screen at zoom 1, say), so that such a screen shows the scenes at twice the size
// instead of none. A show that was running before starts a fresh scene for its new area, its
// generator going on; shows beyond the new count stop.
bool LayOut(Display* display, const Target& target, int askedZoom, const SoftSheets& sheets,
            const MonitorRect* areas, int count, Shows* shows) {
  for (int i = count; i < shows->count; ++i) StopShow(&shows->shown[i]);
  PaintGaps(display, target, areas, count);
  for (int i = 0; i < count; ++i) {
    ShownPicture& shown = shows->shown[i];
    const MonitorRect& area = areas[i];
    const int zoom = ZoomToFit(area.width, area.height, askedZoom, kMaxImagePixels);
    const int width = PictureLength(area.width, zoom);
    const int height = PictureLength(area.height, zoom);
    const bool made = i < shows->count
                          ? PictureShowResize(shown.show, width, height)
                          : PictureShowStart(shown.show, sheets, width, height, shows->seed + i);
    shown.area = area;
    if (made && PresentOpen(shown.present, display, target.window, target.visual, target.depth,
                            area.x, area.y, area.width, area.height, zoom)) {
      // Where the picture's pixels can stand in the image as they are, the show draws its picture
      // there: no copy of its own, and nothing to convert (a show that cannot move draws on in
      // its own memory, from which the present converts).
      size_t stride = 0;
      if (uint32_t* pixels = PresentImageForPicture(shown.present, &stride)) {
        PictureShowDrawInto(shown.show, pixels, stride);
      }
    } else {
      for (int j = 0; j <= i || j < shows->count; ++j) StopShow(&shows->shown[j]);
      shows->count = 0;
      return false;
    }
  }
  shows->count = count;
  return true;
}

enum class Ending { kSignal, kInput, kWindowGone, kFailure };

// Runs one tick of every show and presents what changed; whether anything did.
bool TickShows(Shows* shows, SoftRect* changed) {
  bool sent = false;
  for (int i = 0; i < shows->count; ++i) {
    ShownPicture& shown = shows->shown[i];
    const int count = PictureShowTick(shown.show, changed);
    PresentRects(shown.present, shown.show.picture, changed, count);
    sent = sent || count > 0;
  }
  return sent;
}

// The ticks from the next on in which no show's picture changes.
int QuietTicks(const Shows& shows) {
  int quiet = kMostQuietTicks;
  for (int i = 0; i < shows.count && quiet > 0; ++i) {
    const int own = PictureShowQuietTicks(shows.shown[i].show, quiet);
    if (own < quiet) quiet = own;
  }
  return quiet;
}

// How often the monitor's power is asked after while the window could otherwise be seen: a round
// trip to the server, so never at every tick.
constexpr int kPowerCheckMs = 3000;

// Whether anybody can see the window. While nobody can, the program runs no ticks and sends
// nothing, and it waits for the server's events without a timeout (but for the music, and for
// the low-rate check of a powered-down monitor).
struct Sight {
  bool mapped = true;
  bool covered = false;      // fully obscured by other windows
  bool poweredDown = false;  // the server's DPMS has the monitor in standby, suspend or off
  bool dpms = false;         // the server reports the monitor's power
  int64_t nextPowerCheck = 0;
  // Counted for QAVSAVER3_REPORT_SIGHT, which prints them at each change of sight and at the end.
  long ticks = 0;   // ticks run
  long frames = 0;  // ticks that sent a change
  long wakes = 0;   // returns from the wait
  bool report = false;
};

bool Unseen(const Sight& sight) { return !sight.mapped || sight.covered || sight.poweredDown; }

void ReportSight(const Sight& sight, const char* what) {
  if (!sight.report) return;
  std::fprintf(stderr, "qavsaver3: %s: %ld ticks, %ld frames, %ld wakes\n", what, sight.ticks,
               sight.frames, sight.wakes);
}

// Asks the server whether the monitor is powered down, unless it does not know.
void CheckPower(Display* display, Sight* sight, int64_t now) {
  sight->nextPowerCheck = now + kPowerCheckMs;
  if (!sight->dpms) return;
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  sight->poweredDown = DPMSInfo(display, &level, &enabled) && enabled && level != DPMSModeOn;
}

Ending Run(Display* display, Target* target, int zoom, int32_t periodMs, const SoftSheets& sheets,
           Shows* shows) {
  const Window root = DefaultRootWindow(display);
  const int randrEvents = target->wholeScreen ? WatchMonitors(display, root) : -1;
  SoftRect changed[kDrawListSlots];
  TickSchedule schedule = TickScheduleStart(NowMs(), periodMs);
  // Whether the server may have sent something since the queue was last read: the queue is read
  // only then, for a read of the connection costs a system call at every tick.
  bool serverSpoke = true;
  Sight sight;
  sight.mapped = target->mapped;
  sight.report = std::getenv("QAVSAVER3_REPORT_SIGHT") != nullptr;
  int dpmsEvent = 0, dpmsError = 0;
  sight.dpms = DPMSQueryExtension(display, &dpmsEvent, &dpmsError) && DPMSCapable(display);
  CheckPower(display, &sight, NowMs());
  bool wasUnseen = Unseen(sight);
  for (;;) {
    bool resized = false;
    bool monitorsMayDiffer = false;
    while ((serverSpoke || XEventsQueued(display, QueuedAlready)) && XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      switch (event.type) {
        case KeyPress:
        case ButtonPress:
          if (target->own) return Ending::kInput;
          break;
        case Expose:
          // Unseen, the picture is sent whole when the window is seen again.
          if (wasUnseen || Unseen(sight)) break;
          for (int i = 0; i < shows->count; ++i) {
            PresentArea(shows->shown[i].present, event.xexpose.x, event.xexpose.y,
                        event.xexpose.width, event.xexpose.height);
          }
          break;
        case ConfigureNotify:
          if (event.xconfigure.window == target->window &&
              (event.xconfigure.width != target->width ||
               event.xconfigure.height != target->height)) {
            target->width = event.xconfigure.width;
            target->height = event.xconfigure.height;
            resized = true;
          }
          if (event.xconfigure.window == root) monitorsMayDiffer = target->wholeScreen;
          break;
        case MapNotify:
        case UnmapNotify:
          if (event.xany.window == target->window) sight.mapped = event.type == MapNotify;
          break;
        case VisibilityNotify:
          if (event.xvisibility.window == target->window) {
            sight.covered = event.xvisibility.state == VisibilityFullyObscured;
          }
          break;
        case DestroyNotify:
          if (event.xdestroywindow.window == target->window) return Ending::kWindowGone;
          break;
        default:
          if (randrEvents >= 0 && event.type == randrEvents + RRScreenChangeNotify) {
            XRRUpdateConfiguration(&event);
            monitorsMayDiffer = true;
          }
          break;
      }
    }
    if (WindowErrors) return Ending::kWindowGone;
    MonitorRect areas[kMaxMonitors];
    const int areaCount = resized || monitorsMayDiffer ? ShowAreas(display, *target, areas) : 0;
    if (resized || (monitorsMayDiffer && !ShowsStandIn(*shows, areas, areaCount))) {
      // The quiet ticks already due run first, as they would have run on time.
      for (int due = TickScheduleDueBeforeChange(schedule, NowMs()); due > 0; --due) {
        TickShows(shows, changed);
      }
      if (!LayOut(display, *target, zoom, sheets, areas, areaCount, shows)) {
        std::fprintf(stderr, "qavsaver3: cannot make the picture for %dx%d\n", target->width,
                     target->height);
        return Ending::kFailure;
      }
    }

    int64_t now = NowMs();
    // The monitor's power matters only while the window could be seen otherwise.
    if (sight.mapped && !sight.covered && now >= sight.nextPowerCheck) {
      CheckPower(display, &sight, now);
    }
    const bool unseen = Unseen(sight);
    if (unseen != wasUnseen) {
      wasUnseen = unseen;
      ReportSight(sight, unseen ? "unseen" : "seen");
      // The ticks due stay unrun; seen again, each show starts a fresh scene on a blank picture,
      // sent whole over whatever the window showed meanwhile.
      if (!unseen) {
        for (int i = 0; i < shows->count; ++i) {
          PictureShowRestart(shows->shown[i].show);
          PresentArea(shows->shown[i].present, 0, 0, target->width, target->height);
        }
        schedule = TickScheduleStart(now, periodMs);
      }
    }
    if (!unseen) {
      const int due = TickScheduleDue(schedule, now);
      for (int tick = 0; tick < due; ++tick) {
        sight.frames += TickShows(shows, changed);
        ++sight.ticks;
      }
      if (due > 0) schedule.quiet = QuietTicks(*shows);
    }
    MusicFeed();

    now = NowMs();
    int timeout = static_cast<int>(TickScheduleWakeAt(schedule) - now);
    if (timeout < 0) timeout = 0;
    if (unseen) {
      // Only a powered-down monitor is asked after again; the rest comes as events.
      const bool onlyPowerHides = sight.mapped && !sight.covered;
      timeout =
          onlyPowerHides ? static_cast<int>(std::max<int64_t>(0, sight.nextPowerCheck - now)) : -1;
    }
    const int feed = MusicNextFeedMs();
    if (feed >= 0 && (timeout < 0 || feed < timeout)) timeout = feed;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {StopSignalDescriptor(), POLLIN, 0}};
    // Events read along with a reply wait in the queue, not on the connection.
    if (XPending(display)) timeout = 0;
    const int ready = poll(fds, 2, timeout);
    ++sight.wakes;
    if (ready > 0 && (fds[1].revents & POLLIN)) {
      ReportSight(sight, "end");
      return Ending::kSignal;
    }
    serverSpoke = ready != 0;
  }
}

// Why a visual cannot be drawn on, or null when it can: the picture is sent as true-colour
// pixels.
const char* UnsupportedVisual(const Visual* visual) {
  switch (visual->c_class) {
    case TrueColor:
    case DirectColor:
      return nullptr;
    case PseudoColor:
      return "PseudoColor";
    case StaticColor:
      return "StaticColor";
    case GrayScale:
      return "GrayScale";
    default:
      return "StaticGray";
  }
}

}  // namespace

int main(int argc, char** argv) {
  FillStandardDescriptors();
  // Every resize frees the pictures and makes new ones. With a fixed threshold they always get
  // mappings of their own, which go back to the system when freed; glibc would otherwise raise
  // the threshold after the first free and keep the freed pictures in its heap.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  HackOptions options;
  std::string error;
  if (!ParseHackOptions(argc - 1, argv + 1, &options, &error)) {
    std::fprintf(stderr, "qavsaver3: %s\n%s", error.c_str(), HackUsage());
    return 1;
  }
  if (options.help) {
    std::fputs(HackUsage(), stdout);
    return 0;
  }
  if (!CatchStopSignals()) return 1;
  Display* display = XOpenDisplay(options.display);
  if (!display) {
    std::fprintf(stderr, "qavsaver3: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXIOError);
  Target target = {};
  if (!FindTarget(display, options, &target)) {
    std::fprintf(stderr, "qavsaver3: cannot use the window\n");
    XCloseDisplay(display);
    return 1;
  }
  if (const char* visual = UnsupportedVisual(target.visual)) {
    std::fprintf(stderr,
                 "qavsaver3: cannot draw on a %s visual of depth %d; a TrueColor visual is "
                 "needed\n",
                 visual, target.depth);
    if (target.own) XDestroyWindow(display, target.window);
    XCloseDisplay(display);
    return 1;
  }
  const int zoom = options.zoom ? options.zoom : ZoomForDpi(ScreenDpi(display));
  const uint32_t seed = options.seeded ? options.seed : static_cast<uint32_t>(time(nullptr));
  int status = 0;
  Ending ending = Ending::kFailure;
  SoftSheets sheets;
  Shows shows;
  shows.seed = seed;
  MonitorRect areas[kMaxMonitors];
  const int areaCount = ShowAreas(display, target, areas);
  if (SoftLoadProgramSheets(sheets, EmbeddedImage) &&
      LayOut(display, target, zoom, sheets, areas, areaCount, &shows)) {
    if (options.music) MusicOpenShowMusic();
    ending = Run(display, &target, zoom, FramePeriodForSpeed(options.speed), sheets, &shows);
    status = ending == Ending::kFailure ? 1 : 0;
  } else {
    std::fprintf(stderr, "qavsaver3: cannot make the picture\n");
    status = 1;
  }
  MusicClose();
  for (int i = 0; i < shows.count; ++i) StopShow(&shows.shown[i]);
  SoftFreeSheets(sheets);
  if (target.own) XDestroyWindow(display, target.window);
  XCloseDisplay(display);
  CloseStopSignals();
  if (ending == Ending::kSignal && ReceivedStopSignal() != 0) EndBySignal(ReceivedStopSignal());
  return status;
}
