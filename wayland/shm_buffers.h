// The two wl_shm buffers an output's surface shows its picture from: while the compositor holds
// the one last committed (until its release), the other is brought up to date and committed.
// Each buffer keeps the picture's rectangles it does not hold yet, and only they are copied into
// it (each picture pixel as a zoom x zoom block) and sent as damage.
#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

#include "show/soft_compositor.h"

// Rectangles a buffer remembers before it merges them into one around them all.
constexpr int kStaleRects = 64;

struct ShmBuffer {
  wl_buffer* buffer = nullptr;
  uint32_t* pixels = nullptr;
  bool busy = false;                 // committed and not released yet: the compositor may read it
  SoftRect stale[kStaleRects] = {};  // picture rectangles it does not hold yet
  int staleCount = 0;
};

struct ShmBuffers {
  ShmBuffer pair[2];
  void* memory = nullptr;
  size_t size = 0;
  int32_t width = 0;  // buffer pixels
  int32_t height = 0;
  int32_t zoom = 1;
};

// Makes both buffers width x height, XRGB8888 and black, for a picture drawn at `zoom`. false,
// with nothing kept, when the shared memory cannot be had. `buffers` must not move until closed:
// the compositor's releases find it by its address.
bool ShmBuffersOpen(ShmBuffers& buffers, wl_shm* shm, int32_t width, int32_t height, int32_t zoom);
// Notes rectangles of the picture that changed: no buffer holds them yet.
void ShmBuffersMarkChanged(ShmBuffers& buffers, const SoftRect* rects, int count);
// Brings a buffer the compositor does not hold up to date from `picture`, attaches it to
// `surface` and damages what changed in it (the caller commits); false when both are held.
bool ShmBuffersAttach(ShmBuffers& buffers, wl_surface* surface, const SoftPicture& picture);
// Destroys the buffers and unmaps their memory.
void ShmBuffersClose(ShmBuffers& buffers);
