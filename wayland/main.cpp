// qavsaver3-wayland: the screen saver's scenes on a Wayland compositor, one show on each output,
// each in a full-screen surface above everything: a wlr-layer-shell overlay surface that takes the
// keyboard where the compositor offers that protocol, else a full-screen xdg_toplevel on that
// output. A key, a button or a pointer movement that changes both coordinates ends it with exit
// code 0; on SIGTERM, SIGINT or SIGHUP it stops the music, gives everything back and ends by that
// signal, as the X11 program does.
#include <malloc.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fractional-scale-v1-client-protocol.h"
#include "show/embedded_images.h"
#include "show/image_decode.h"
#include "show/input_rule.h"
#include "show/picture_show.h"
#include "show/speed.h"
#include "show/tick_schedule.h"
#include "show/zoom.h"
#include "unix/alsa_music.h"
#include "unix/monotonic_clock.h"
#include "unix/options.h"
#include "unix/stop_signals.h"
#include "viewporter-client-protocol.h"
#include "wayland/shm_buffers.h"
#include "xdg-shell-client-protocol.h"
// The generated header names a parameter "namespace", a C++ keyword.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace {

constexpr char kName[] = "qavsaver3-wayland";
constexpr int kMaxOutputs = 16;
// A scale of 1 in wp-fractional-scale-v1's units.
constexpr int32_t kScaleUnit = 120;
constexpr int32_t kBaseDpi = 96;
// How long after a commit the program waits before it reads what the compositor says: a frame
// at 60 Hz, and a little more.
constexpr int kSettleMs = 20;

enum class Ending { kNone, kSignal, kInput, kLost, kFailure };

struct Program;

// One output and the show on it. Slot i's show is seeded with seed + i, so that outputs differ.
struct Output {
  Program* program = nullptr;
  int slot = 0;
  uint32_t globalName = 0;  // 0: the slot is free
  wl_output* output = nullptr;
  std::string name;
  int32_t x = 0, y = 0;  // where the output stands among the others
  int32_t modeWidth = 0, modeHeight = 0;
  int32_t scale = 1;       // wl_output's integer scale
  bool described = false;  // its first done came

  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wp_viewport* viewport = nullptr;
  wp_fractional_scale_v1* fractional = nullptr;
  int32_t preferredScale = 0;                   // the fractional scale in 120ths; 0 until told
  int32_t logicalWidth = 0, logicalHeight = 0;  // the size the compositor configured
  bool configured = false;
  bool laidOut = false;   // the buffers and the show match the configured size and scale
  int32_t laidScale = 0;  // the scale they were made for, in 120ths

  ShmBuffers buffers;
  PictureShow show;
  bool showing = false;
  bool dirty = false;            // the picture changed since the last commit
  wl_callback* frame = nullptr;  // the frame in flight
};

struct Program {
  const HackOptions* options = nullptr;
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  wl_pointer* pointer = nullptr;
  xdg_wm_base* wmBase = nullptr;
  zwlr_layer_shell_v1* layerShell = nullptr;
  wp_viewporter* viewporter = nullptr;
  wp_fractional_scale_manager_v1* fractionalManager = nullptr;
  Output outputs[kMaxOutputs];
  SoftSheets sheets;
  uint32_t seed = 0;
  Ending ending = Ending::kNone;
  std::string failure;  // the line a failure ends with
  // The pointer's place, among the outputs, when it first came or its last movement passed.
  bool pointerKnown = false;
  int32_t pointerX = 0, pointerY = 0;
  Output* pointerOutput = nullptr;
};

void Fail(Program& program, const std::string& why) {
  if (program.ending == Ending::kNone || program.ending == Ending::kInput) {
    program.ending = Ending::kFailure;
    program.failure = why;
  }
}

// ---------------------------------------------------------------------------------- input

void EndByInput(Program& program) {
  if (program.ending == Ending::kNone) program.ending = Ending::kInput;
}

void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void KeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) EndByInput(*static_cast<Program*>(data));
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
constexpr wl_keyboard_listener kKeyboardListener = {
    KeyboardKeymap, KeyboardEnter, KeyboardLeave, KeyboardKey, KeyboardModifiers, KeyboardRepeat};

Output* OutputOfSurface(Program& program, wl_surface* surface) {
  for (Output& output : program.outputs) {
    if (output.globalName && output.surface == surface && surface) return &output;
  }
  return nullptr;
}

// The pointer at surface-local (sx, sy) on `output`, among the outputs: the .scr's rule is
// applied to that place, so that crossing to another output is a movement too.
void PointerAt(Program& program, Output* output, wl_fixed_t sx, wl_fixed_t sy) {
  const int32_t x = wl_fixed_to_int(sx) + (output ? output->x : 0);
  const int32_t y = wl_fixed_to_int(sy) + (output ? output->y : 0);
  if (!program.pointerKnown) {
    program.pointerKnown = true;
    program.pointerX = x;
    program.pointerY = y;
    return;
  }
  if (PointerMoveEnds(program.pointerX, program.pointerY, x, y)) EndByInput(program);
}

void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface,
                  wl_fixed_t sx, wl_fixed_t sy) {
  Program& program = *static_cast<Program*>(data);
  wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the show
  program.pointerOutput = OutputOfSurface(program, surface);
  PointerAt(program, program.pointerOutput, sx, sy);
}
void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
  static_cast<Program*>(data)->pointerOutput = nullptr;
}
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t sx, wl_fixed_t sy) {
  Program& program = *static_cast<Program*>(data);
  PointerAt(program, program.pointerOutput, sx, sy);
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_POINTER_BUTTON_STATE_PRESSED) EndByInput(*static_cast<Program*>(data));
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
void PointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}
constexpr wl_pointer_listener kPointerListener = {
    PointerEnter, PointerLeave,      PointerMotion,   PointerButton,       PointerAxis,
    PointerFrame, PointerAxisSource, PointerAxisStop, PointerAxisDiscrete, PointerAxisValue120};

void SeatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
  Program& program = *static_cast<Program*>(data);
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !program.keyboard) {
    program.keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(program.keyboard, &kKeyboardListener, &program);
  }
  if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !program.pointer) {
    program.pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(program.pointer, &kPointerListener, &program);
  }
}
void SeatName(void*, wl_seat*, const char*) {}
constexpr wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

// ---------------------------------------------------------------------------------- outputs

void StopOutputShow(Output& output) {
  if (output.frame) wl_callback_destroy(output.frame);
  output.frame = nullptr;
  if (output.showing) PictureShowStop(output.show);
  output.showing = false;
  ShmBuffersClose(output.buffers);
  if (output.fractional) wp_fractional_scale_v1_destroy(output.fractional);
  if (output.viewport) wp_viewport_destroy(output.viewport);
  if (output.layer) zwlr_layer_surface_v1_destroy(output.layer);
  if (output.toplevel) xdg_toplevel_destroy(output.toplevel);
  if (output.xdgSurface) xdg_surface_destroy(output.xdgSurface);
  if (output.surface) wl_surface_destroy(output.surface);
  output.fractional = nullptr;
  output.viewport = nullptr;
  output.layer = nullptr;
  output.toplevel = nullptr;
  output.xdgSurface = nullptr;
  output.surface = nullptr;
  output.configured = output.laidOut = output.dirty = false;
  if (output.program->pointerOutput == &output) output.program->pointerOutput = nullptr;
}

void ForgetOutput(Output& output) {
  StopOutputShow(output);
  if (output.output) {
    if (wl_output_get_version(output.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
      wl_output_release(output.output);
    } else {
      wl_output_destroy(output.output);
    }
  }
  Program* program = output.program;
  const int slot = output.slot;
  output = Output{};
  output.program = program;
  output.slot = slot;
}

void FrameDone(void* data, wl_callback* callback, uint32_t) {
  Output& output = *static_cast<Output*>(data);
  wl_callback_destroy(callback);
  if (output.frame == callback) output.frame = nullptr;
}
constexpr wl_callback_listener kFrameListener = {FrameDone};

// Commits what changed on the output's surface, unless a frame is in flight or the compositor
// holds both buffers: then it stays to commit when the frame is done or a buffer comes back.
// true when it committed.
bool Present(Output& output, bool whole) {
  if (!output.laidOut || output.frame || (!output.dirty && !whole)) return false;
  if (whole) wl_surface_damage_buffer(output.surface, 0, 0, INT32_MAX, INT32_MAX);
  if (!ShmBuffersAttach(output.buffers, output.surface, output.show.picture)) return false;
  output.frame = wl_surface_frame(output.surface);
  wl_callback_add_listener(output.frame, &kFrameListener, &output);
  wl_surface_commit(output.surface);
  output.dirty = false;
  return true;
}

// The scale the output's surface is drawn at, in 120ths: the fractional one where the compositor
// tells it, else the output's integer scale.
int32_t SurfaceScale(const Output& output) {
  if (output.preferredScale > 0 && output.viewport) return output.preferredScale;
  return (output.scale > 0 ? output.scale : 1) * kScaleUnit;
}

// Makes the buffers and the show for the configured size at the surface's scale: each picture
// pixel zoom x zoom buffer pixels, the zoom the one the X11 program takes from the DPI this
// scale stands for, unless -zoom gives it, raised where the picture would be too large.
bool LayOut(Program& program, Output& output) {
  const int32_t scale = SurfaceScale(output);
  int32_t width = output.logicalWidth, height = output.logicalHeight;
  if (width <= 0 || height <= 0) {
    // The compositor left the size to us: the output's own, at its integer scale.
    width = output.modeWidth;
    height = output.modeHeight;
    wl_surface_set_buffer_scale(output.surface, output.scale);
  } else if (output.viewport && output.preferredScale > 0) {
    wp_viewport_set_destination(output.viewport, width, height);
    width = int32_t((int64_t(width) * scale + kScaleUnit / 2) / kScaleUnit);
    height = int32_t((int64_t(height) * scale + kScaleUnit / 2) / kScaleUnit);
    wl_surface_set_buffer_scale(output.surface, 1);
  } else {
    width *= scale / kScaleUnit;
    height *= scale / kScaleUnit;
    wl_surface_set_buffer_scale(output.surface, scale / kScaleUnit);
  }
  if (width <= 0 || height <= 0) {
    Fail(program, "output " + output.name + " has size " + std::to_string(width) + "x" +
                      std::to_string(height));
    return false;
  }
  const HackOptions& options = *program.options;
  const int32_t asked =
      options.zoom ? options.zoom : ZoomForDpi(int32_t(int64_t(kBaseDpi) * scale / kScaleUnit));
  const int32_t zoom = ZoomToFit(width, height, asked, kMaxImagePixels);
  const int32_t pictureWidth = PictureLength(width, zoom);
  const int32_t pictureHeight = PictureLength(height, zoom);
  const bool made = output.showing
                        ? PictureShowResize(output.show, pictureWidth, pictureHeight)
                        : PictureShowStart(output.show, program.sheets, pictureWidth, pictureHeight,
                                           program.seed + uint32_t(output.slot));
  output.showing = made;
  if (!made || !ShmBuffersOpen(output.buffers, program.shm, width, height, zoom)) {
    Fail(program, "cannot make the picture for " + std::to_string(width) + "x" +
                      std::to_string(height) + " on output " + output.name);
    return false;
  }
  if (output.frame) wl_callback_destroy(output.frame);
  output.frame = nullptr;
  output.laidOut = true;
  output.laidScale = scale;
  Present(output, true);
  return true;
}

void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                    uint32_t height) {
  Output& output = *static_cast<Output*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  if (!output.configured || int32_t(width) != output.logicalWidth ||
      int32_t(height) != output.logicalHeight) {
    output.laidOut = false;
  }
  output.configured = true;
  output.logicalWidth = int32_t(width);
  output.logicalHeight = int32_t(height);
}
// The output went or the compositor will not show the surface: its show ends, the program goes on.
void LayerClosed(void* data, zwlr_layer_surface_v1*) {
  StopOutputShow(*static_cast<Output*>(data));
}
constexpr zwlr_layer_surface_v1_listener kLayerListener = {LayerConfigure, LayerClosed};

void XdgSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  static_cast<Output*>(data)->configured = true;
}
constexpr xdg_surface_listener kXdgSurfaceListener = {XdgSurfaceConfigure};

void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
  Output& output = *static_cast<Output*>(data);
  if (width != output.logicalWidth || height != output.logicalHeight) output.laidOut = false;
  output.logicalWidth = width;
  output.logicalHeight = height;
}
void ToplevelClose(void* data, xdg_toplevel*) { EndByInput(*static_cast<Output*>(data)->program); }
void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
constexpr xdg_toplevel_listener kToplevelListener = {ToplevelConfigure, ToplevelClose,
                                                     ToplevelBounds, ToplevelCapabilities};

void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
  Output& output = *static_cast<Output*>(data);
  output.preferredScale = int32_t(scale);
  if (output.laidOut && SurfaceScale(output) != output.laidScale) output.laidOut = false;
}
constexpr wp_fractional_scale_v1_listener kFractionalListener = {PreferredScale};

void WmPing(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
constexpr xdg_wm_base_listener kWmBaseListener = {WmPing};

// The output's full-screen surface above everything.
void MakeSurface(Program& program, Output& output) {
  output.surface = wl_compositor_create_surface(program.compositor);
  if (program.viewporter && program.fractionalManager) {
    output.viewport = wp_viewporter_get_viewport(program.viewporter, output.surface);
    output.fractional = wp_fractional_scale_manager_v1_get_fractional_scale(
        program.fractionalManager, output.surface);
    wp_fractional_scale_v1_add_listener(output.fractional, &kFractionalListener, &output);
  }
  if (program.layerShell) {
    output.layer =
        zwlr_layer_shell_v1_get_layer_surface(program.layerShell, output.surface, output.output,
                                              ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "qavsaver3");
    zwlr_layer_surface_v1_add_listener(output.layer, &kLayerListener, &output);
    zwlr_layer_surface_v1_set_anchor(
        output.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(output.layer, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(output.layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        output.layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  } else {
    output.xdgSurface = xdg_wm_base_get_xdg_surface(program.wmBase, output.surface);
    xdg_surface_add_listener(output.xdgSurface, &kXdgSurfaceListener, &output);
    output.toplevel = xdg_surface_get_toplevel(output.xdgSurface);
    xdg_toplevel_add_listener(output.toplevel, &kToplevelListener, &output);
    xdg_toplevel_set_title(output.toplevel, "qavsaver3");
    xdg_toplevel_set_app_id(output.toplevel, "qavsaver3");
    xdg_toplevel_set_fullscreen(output.toplevel, output.output);
  }
  wl_surface_commit(output.surface);
}

void OutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                    const char*, const char*, int32_t) {
  Output& output = *static_cast<Output*>(data);
  output.x = x;
  output.y = y;
}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  Output& output = *static_cast<Output*>(data);
  if (flags & WL_OUTPUT_MODE_CURRENT) {
    output.modeWidth = width;
    output.modeHeight = height;
  }
}
void OutputDone(void* data, wl_output*) {
  Output& output = *static_cast<Output*>(data);
  Program& program = *output.program;
  if (output.modeWidth <= 0 || output.modeHeight <= 0) {
    Fail(program, "output " + output.name + " has size " + std::to_string(output.modeWidth) + "x" +
                      std::to_string(output.modeHeight));
    return;
  }
  if (!output.described) {
    output.described = true;
    MakeSurface(program, output);
  } else if (output.laidOut && SurfaceScale(output) != output.laidScale) {
    output.laidOut = false;
  }
}
void OutputScale(void* data, wl_output*, int32_t scale) {
  static_cast<Output*>(data)->scale = scale > 0 ? scale : 1;
}
void OutputName(void* data, wl_output*, const char* name) {
  static_cast<Output*>(data)->name = name;
}
void OutputDescription(void*, wl_output*, const char*) {}
constexpr wl_output_listener kOutputListener = {OutputGeometry, OutputMode, OutputDone,
                                                OutputScale,    OutputName, OutputDescription};

// ---------------------------------------------------------------------------------- globals

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered,
        uint32_t wanted) {
  return static_cast<T*>(
      wl_registry_bind(registry, name, interface, offered < wanted ? offered : wanted));
}

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t version) {
  Program& program = *static_cast<Program*>(data);
  const std::string kind = interface;
  if (kind == wl_compositor_interface.name && version >= 4) {
    program.compositor = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
  } else if (kind == wl_shm_interface.name) {
    program.shm = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
  } else if (kind == wl_seat_interface.name && !program.seat) {
    program.seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
    wl_seat_add_listener(program.seat, &kSeatListener, &program);
  } else if (kind == xdg_wm_base_interface.name) {
    program.wmBase = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1);
    xdg_wm_base_add_listener(program.wmBase, &kWmBaseListener, &program);
  } else if (kind == zwlr_layer_shell_v1_interface.name) {
    program.layerShell =
        Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 1);
  } else if (kind == wp_viewporter_interface.name) {
    program.viewporter = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
  } else if (kind == wp_fractional_scale_manager_v1_interface.name) {
    program.fractionalManager = Bind<wp_fractional_scale_manager_v1>(
        registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
  } else if (kind == wl_output_interface.name && version >= 2) {
    for (Output& output : program.outputs) {
      if (output.globalName) continue;
      output.globalName = name;
      char label[16];  // until the output tells its own name
      std::snprintf(label, sizeof label, "#%u", name);
      output.name = label;
      output.output = Bind<wl_output>(registry, name, &wl_output_interface, version, 4);
      wl_output_add_listener(output.output, &kOutputListener, &output);
      return;
    }
  }
}

void GlobalRemove(void* data, wl_registry*, uint32_t name) {
  Program& program = *static_cast<Program*>(data);
  for (Output& output : program.outputs) {
    if (output.globalName == name) ForgetOutput(output);
  }
}
constexpr wl_registry_listener kRegistryListener = {Global, GlobalRemove};

// ---------------------------------------------------------------------------------- the loop

void TickShows(Program& program, SoftRect* changed) {
  for (Output& output : program.outputs) {
    if (!output.laidOut) continue;
    const int count = PictureShowTick(output.show, changed);
    ShmBuffersMarkChanged(output.buffers, changed, count);
    if (count > 0) output.dirty = true;
  }
}

int QuietTicks(const Program& program) {
  int quiet = kMostQuietTicks;
  for (const Output& output : program.outputs) {
    if (!output.laidOut || quiet == 0) continue;
    const int own = PictureShowQuietTicks(output.show, quiet);
    if (own < quiet) quiet = own;
  }
  return quiet;
}

// The connection failed: the compositor went away or ended it for a protocol error.
void ConnectionLost(Program& program) {
  const int error = wl_display_get_error(program.display);
  const char* why = error == EPROTO ? "the compositor ended the connection for a protocol error"
                                    : "lost the connection to the compositor";
  program.ending = Ending::kLost;
  program.failure = why;
}

Ending Run(Program& program, int32_t periodMs) {
  SoftRect changed[kDrawListSlots];
  TickSchedule schedule = TickScheduleStart(NowMs(), periodMs);
  for (;;) {
    if (wl_display_dispatch_pending(program.display) < 0) ConnectionLost(program);
    if (program.ending != Ending::kNone) return program.ending;
    bool relaid = false;
    for (Output& output : program.outputs) {
      if (output.surface && output.configured && !output.laidOut) {
        if (!relaid) {
          // The quiet ticks already due run first, as they would have run on time.
          for (int due = TickScheduleDueBeforeChange(schedule, NowMs()); due > 0; --due) {
            TickShows(program, changed);
          }
          relaid = true;
        }
        if (!LayOut(program, output)) return program.ending;
      }
    }
    const int64_t now = NowMs();
    const int due = TickScheduleDue(schedule, now);
    for (int tick = 0; tick < due; ++tick) TickShows(program, changed);
    if (due > 0) schedule.quiet = QuietTicks(program);
    bool committed = false;
    for (Output& output : program.outputs) committed = Present(output, false) || committed;
    MusicFeed();
    if (committed) {
      // A commit brings the release of the buffer it replaces at once and the frame's end a
      // refresh later: the program lets both come and reads them in one wake instead of two.
      // Only a stop signal is heeded meanwhile; input waits that long.
      if (wl_display_flush(program.display) < 0 && errno != EAGAIN) {
        ConnectionLost(program);
        return program.ending;
      }
      pollfd stop = {StopSignalDescriptor(), POLLIN, 0};
      if (poll(&stop, 1, kSettleMs) > 0) return Ending::kSignal;
    }

    int timeout = static_cast<int>(TickScheduleWakeAt(schedule) - NowMs());
    if (timeout < 0) timeout = 0;
    const int feed = MusicNextFeedMs();
    if (feed >= 0 && feed < timeout) timeout = feed;
    while (wl_display_prepare_read(program.display) != 0) {
      if (wl_display_dispatch_pending(program.display) < 0) {
        ConnectionLost(program);
        return program.ending;
      }
    }
    pollfd fds[2] = {{wl_display_get_fd(program.display), POLLIN, 0},
                     {StopSignalDescriptor(), POLLIN, 0}};
    if (wl_display_flush(program.display) < 0) {
      if (errno == EAGAIN) {
        fds[0].events |= POLLOUT;
      } else {
        wl_display_cancel_read(program.display);
        ConnectionLost(program);
        return program.ending;
      }
    }
    const int ready = poll(fds, 2, timeout);
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
      if (wl_display_read_events(program.display) < 0) {
        ConnectionLost(program);
        return program.ending;
      }
    } else {
      wl_display_cancel_read(program.display);
    }
    if (ready > 0 && (fds[1].revents & POLLIN)) return Ending::kSignal;
  }
}

const char* Usage() {
  return "usage: qavsaver3-wayland [-speed 1..5] [-music | -no-music] [-seed N] [-zoom 1..64]\n"
         "                         [-display NAME] [-help]\n"
         "Options take one dash or two, and their value as the next argument or after \"=\"\n"
         "(--speed=5). Numbers are decimal or 0x hexadecimal. It shows one show on each output\n"
         "of the Wayland compositor (-display names its socket instead of $WAYLAND_DISPLAY)\n"
         "until a key, a button or a pointer movement ends it.\n";
}

// Connects and finds what the program needs; false, with a line in program.failure, when the
// compositor lacks it.
bool Connect(Program& program, const HackOptions& options) {
  program.display = wl_display_connect(options.display);
  if (!program.display) {
    const char* name = options.display ? options.display : std::getenv("WAYLAND_DISPLAY");
    program.failure =
        std::string("cannot connect to the Wayland display ") + (name ? name : "wayland-0");
    return false;
  }
  program.registry = wl_display_get_registry(program.display);
  wl_registry_add_listener(program.registry, &kRegistryListener, &program);
  if (wl_display_roundtrip(program.display) < 0) {
    ConnectionLost(program);
    return false;
  }
  if (!program.compositor) {
    program.failure = "the compositor offers no wl_compositor of version 4";
  } else if (!program.shm) {
    program.failure = "the compositor offers no wl_shm";
  } else if (!program.layerShell && !program.wmBase) {
    program.failure = "the compositor offers neither wlr-layer-shell nor xdg-shell";
  } else if (wl_display_roundtrip(program.display) < 0) {  // the outputs' descriptions
    ConnectionLost(program);
  }
  if (program.ending == Ending::kFailure || program.ending == Ending::kLost) return false;
  return program.failure.empty();
}

void Disconnect(Program& program) {
  for (Output& output : program.outputs) {
    if (output.globalName) ForgetOutput(output);
  }
  if (!program.display) return;
  if (program.keyboard) wl_keyboard_destroy(program.keyboard);
  if (program.pointer) wl_pointer_destroy(program.pointer);
  if (program.seat) wl_seat_destroy(program.seat);
  if (program.fractionalManager) wp_fractional_scale_manager_v1_destroy(program.fractionalManager);
  if (program.viewporter) wp_viewporter_destroy(program.viewporter);
  if (program.layerShell) zwlr_layer_shell_v1_destroy(program.layerShell);
  if (program.wmBase) xdg_wm_base_destroy(program.wmBase);
  if (program.shm) wl_shm_destroy(program.shm);
  if (program.compositor) wl_compositor_destroy(program.compositor);
  if (program.registry) wl_registry_destroy(program.registry);
  wl_display_flush(program.display);
  wl_display_disconnect(program.display);
  program.display = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  FillStandardDescriptors();
  // Every resize frees the pictures and makes new ones: with a fixed threshold they get mappings
  // of their own, which go back to the system when freed.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  HackOptions options;
  std::string error;
  if (!ParseHackOptions(argc - 1, argv + 1, &options, &error)) {
    std::fprintf(stderr, "%s: %s\n%s", kName, error.c_str(), Usage());
    return 1;
  }
  if (options.help) {
    std::fputs(Usage(), stdout);
    return 0;
  }
  if (options.root || options.windowId) {
    std::fprintf(stderr, "%s: -root and -window-id are X11 options\n%s", kName, Usage());
    return 1;
  }
  if (!CatchStopSignals()) return 1;
  static Program program;  // large: its outputs' shows
  program.options = &options;
  program.seed = options.seeded ? options.seed : static_cast<uint32_t>(time(nullptr));
  for (int i = 0; i < kMaxOutputs; ++i) {
    program.outputs[i].program = &program;
    program.outputs[i].slot = i;
  }
  Ending ending = Ending::kFailure;
  if (!SoftLoadProgramSheets(program.sheets, EmbeddedImage)) {
    program.failure = "cannot make the picture";
  } else if (Connect(program, options)) {
    if (options.music) MusicOpenShowMusic();
    ending = Run(program, FramePeriodForSpeed(options.speed));
  }
  MusicClose();
  Disconnect(program);
  SoftFreeSheets(program.sheets);
  CloseStopSignals();
  if (ending == Ending::kSignal && ReceivedStopSignal() != 0) EndBySignal(ReceivedStopSignal());
  if (ending == Ending::kInput) return 0;
  std::fprintf(stderr, "%s: %s\n", kName, program.failure.c_str());
  return 1;
}
