// The Wayland wake floor of the native CPU benchmark: runs the same show as qavsaver3-wayland
// -speed 5 -seed SEED on the compositor's first output, waking at the same ticks (it sleeps
// through the quiet ones the same way), but at each tick that would draw it only commits one
// pixel of damage of a full-screen overlay surface: what waking the program and the compositor
// costs, with no pixel work at all. Ends when killed.
#include <poll.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "show/show.h"
#include "show/speed.h"
#include "show/tick_schedule.h"
#include "unix/monotonic_clock.h"
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace {

struct Floor {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_output* output = nullptr;
  zwlr_layer_shell_v1* layerShell = nullptr;
  uint32_t width = 0, height = 0;
  bool configured = false;
  bool busy[2] = {false, false};
};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  Floor& floor = *static_cast<Floor*>(data);
  if (!std::strcmp(interface, wl_compositor_interface.name)) {
    floor.compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  } else if (!std::strcmp(interface, wl_shm_interface.name)) {
    floor.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (!std::strcmp(interface, wl_output_interface.name) && !floor.output) {
    floor.output =
        static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
  } else if (!std::strcmp(interface, zwlr_layer_shell_v1_interface.name)) {
    floor.layerShell = static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
  }
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
constexpr wl_registry_listener kRegistryListener = {Global, GlobalRemove};

void Configure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
               uint32_t height) {
  Floor& floor = *static_cast<Floor*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  floor.width = width;
  floor.height = height;
  floor.configured = true;
}
void Closed(void*, zwlr_layer_surface_v1*) { std::exit(1); }
constexpr zwlr_layer_surface_v1_listener kLayerListener = {Configure, Closed};

void Release(void* data, wl_buffer*) { *static_cast<bool*>(data) = false; }
constexpr wl_buffer_listener kReleaseListener = {Release};

// Runs a tick of the director; true when its list would draw.
bool Tick(Show& show) {
  DrawEntry toDraw[kDrawListSlots];
  DirectorTick(show);
  return ShowListToDraw(show, toDraw);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return 1;
  Floor floor;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &floor);
  wl_display_roundtrip(display);
  if (!floor.compositor || !floor.shm || !floor.output || !floor.layerShell) return 1;
  wl_surface* surface = wl_compositor_create_surface(floor.compositor);
  zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
      floor.layerShell, surface, floor.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "floor");
  zwlr_layer_surface_v1_add_listener(layer, &kLayerListener, &floor);
  zwlr_layer_surface_v1_set_anchor(layer, 15);
  zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
  wl_surface_commit(surface);
  while (!floor.configured) {
    if (wl_display_dispatch(display) < 0) return 1;
  }
  // Two black buffers the output's size, as the program has.
  const size_t one = size_t(floor.width) * floor.height * 4;
  const int fd = memfd_create("floor", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, off_t(one * 2)) != 0) return 1;
  wl_shm_pool* pool = wl_shm_create_pool(floor.shm, fd, int32_t(one * 2));
  wl_buffer* buffers[2];
  for (int i = 0; i < 2; ++i) {
    buffers[i] = wl_shm_pool_create_buffer(pool, int32_t(one * i), int32_t(floor.width),
                                           int32_t(floor.height), int32_t(floor.width * 4),
                                           WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(buffers[i], &kReleaseListener, &floor.busy[i]);
  }
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_surface_attach(surface, buffers[0], 0, 0);
  wl_surface_damage_buffer(surface, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(surface);
  floor.busy[0] = true;

  Show show;
  ShowSetUp(show, RUN_SAVER, {int32_t(floor.width), int32_t(floor.height)},
            {int32_t(floor.width), int32_t(floor.height)}, 1000,
            uint32_t(std::strtoul(argv[1], nullptr, 10)));
  const int64_t periodMs = FramePeriodForSpeed(5);
  TickSchedule schedule = TickScheduleStart(NowMs(), periodMs);
  for (;;) {
    const int64_t now = NowMs();
    if (const int due = TickScheduleDue(schedule, now)) {
      bool drew = false;
      for (int tick = 0; tick < due; ++tick) drew = Tick(show) || drew;
      const int free = !floor.busy[0] ? 0 : !floor.busy[1] ? 1 : -1;
      if (drew && free >= 0) {
        wl_surface_attach(surface, buffers[free], 0, 0);
        wl_surface_damage_buffer(surface, 0, 0, 1, 1);
        wl_surface_commit(surface);
        floor.busy[free] = true;
      }
      schedule.quiet = ShowQuietTicks(show, kMostQuietTicks);
    }
    int timeout = static_cast<int>(TickScheduleWakeAt(schedule) - NowMs());
    if (timeout < 0) timeout = 0;
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    wl_display_flush(display);
    pollfd connection = {wl_display_get_fd(display), POLLIN, 0};
    if (poll(&connection, 1, timeout) > 0) {
      if (wl_display_read_events(display) < 0) return 1;
    } else {
      wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0) return 1;
  }
}
