// A stand-in compositor for the Wayland program's bad-input tests, one that a real compositor
// cannot be made to be: `fake_compositor SOCKET KIND` listens on the socket path and offers
//   no-shm       wl_compositor and xdg_wm_base, but no wl_shm
//   zero-output  wl_compositor, wl_shm, xdg_wm_base and an output FAKE-1 whose mode is 0 x 0
// then prints "ready" and serves until killed. Requests on the objects are never expected: the
// program must give up before it makes any.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-server.h>

#include <cstdio>
#include <cstring>
#include <string>

extern const wl_interface xdg_wm_base_interface;

namespace {

void BindPlain(wl_client* client, void* data, uint32_t version, uint32_t id) {
  wl_resource_create(client, static_cast<const wl_interface*>(data), int(version), id);
}

void BindShm(wl_client* client, void*, uint32_t version, uint32_t id) {
  wl_resource* resource = wl_resource_create(client, &wl_shm_interface, int(version), id);
  wl_shm_send_format(resource, WL_SHM_FORMAT_XRGB8888);
  wl_shm_send_format(resource, WL_SHM_FORMAT_ARGB8888);
}

void BindOutput(wl_client* client, void*, uint32_t version, uint32_t id) {
  wl_resource* resource = wl_resource_create(client, &wl_output_interface, int(version), id);
  wl_output_send_geometry(resource, 0, 0, 0, 0, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "fake",
                          WL_OUTPUT_TRANSFORM_NORMAL);
  wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, 0, 0, 60000);
  if (version >= WL_OUTPUT_SCALE_SINCE_VERSION) wl_output_send_scale(resource, 1);
  if (version >= WL_OUTPUT_NAME_SINCE_VERSION) wl_output_send_name(resource, "FAKE-1");
  if (version >= WL_OUTPUT_DONE_SINCE_VERSION) wl_output_send_done(resource);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fake_compositor SOCKET no-shm|zero-output\n");
    return 2;
  }
  const std::string kind = argv[2];
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (std::strlen(argv[1]) >= sizeof address.sun_path) return 2;
  std::strcpy(address.sun_path, argv[1]);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 8) != 0) {
    std::perror("fake_compositor");
    return 2;
  }
  wl_display* display = wl_display_create();
  if (wl_display_add_socket_fd(display, fd) != 0) return 2;
  wl_global_create(display, &wl_compositor_interface, 4,
                   const_cast<wl_interface*>(&wl_compositor_interface), BindPlain);
  wl_global_create(display, &xdg_wm_base_interface, 1,
                   const_cast<wl_interface*>(&xdg_wm_base_interface), BindPlain);
  if (kind == "zero-output") {
    wl_global_create(display, &wl_shm_interface, 1, nullptr, BindShm);
    wl_global_create(display, &wl_output_interface, 4, nullptr, BindOutput);
  } else if (kind != "no-shm") {
    return 2;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  wl_display_run(display);
  wl_display_destroy(display);
  unlink(argv[1]);
  return 0;
}
