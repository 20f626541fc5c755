#include "wayland/shm_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace {

void OnRelease(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->busy = false; }

constexpr wl_buffer_listener kReleaseListener = {OnRelease};

SoftRect Around(const SoftRect& a, const SoftRect& b) {
  const int32_t left = a.x < b.x ? a.x : b.x, top = a.y < b.y ? a.y : b.y;
  const int32_t right = a.x + a.width > b.x + b.width ? a.x + a.width : b.x + b.width;
  const int32_t bottom = a.y + a.height > b.y + b.height ? a.y + a.height : b.y + b.height;
  return SoftRect{left, top, right - left, bottom - top};
}

void AddStale(ShmBuffer& buffer, const SoftRect& rect) {
  if (buffer.staleCount < kStaleRects) {
    buffer.stale[buffer.staleCount++] = rect;
    return;
  }
  // Held for long (an output the compositor does not draw): one rectangle around them all.
  SoftRect around = rect;
  for (int i = 0; i < buffer.staleCount; ++i) around = Around(around, buffer.stale[i]);
  buffer.stale[0] = around;
  buffer.staleCount = 1;
}

// Copies a picture rectangle into the buffer, each pixel as a zoom x zoom block.
void CopyRect(const ShmBuffers& buffers, uint32_t* pixels, const SoftPicture& picture,
              const SoftRect& rect) {
  const int32_t zoom = buffers.zoom;
  for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
    const uint32_t* from = picture.work + size_t(y) * picture.stride + rect.x;
    uint32_t* row = pixels + size_t(y) * zoom * buffers.width + size_t(rect.x) * zoom;
    if (zoom == 1) {
      std::memcpy(row, from, size_t(rect.width) * sizeof(uint32_t));
      continue;
    }
    uint32_t* out = row;
    for (int32_t x = 0; x < rect.width; ++x) {
      for (int32_t k = 0; k < zoom; ++k) *out++ = from[x];
    }
    for (int32_t k = 1; k < zoom; ++k) {
      std::memcpy(row + size_t(k) * buffers.width, row,
                  size_t(rect.width) * zoom * sizeof(uint32_t));
    }
  }
}

}  // namespace

bool ShmBuffersOpen(ShmBuffers& buffers, wl_shm* shm, int32_t width, int32_t height, int32_t zoom) {
  ShmBuffersClose(buffers);
  if (width <= 0 || height <= 0 || int64_t(width) * height > (int64_t(1) << 28)) return false;
  const size_t stride = size_t(width) * 4;
  const size_t one = stride * size_t(height);
  const int fd = memfd_create("qavsaver3-wayland", MFD_CLOEXEC);
  if (fd < 0) return false;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, off_t(one * 2)) == 0) {
    memory = mmap(nullptr, one * 2, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (memory == MAP_FAILED) {
    close(fd);
    return false;
  }
  // A fresh file reads as zeros: both buffers start black.
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(one * 2));
  close(fd);
  buffers.memory = memory;
  buffers.size = one * 2;
  buffers.width = width;
  buffers.height = height;
  buffers.zoom = zoom < 1 ? 1 : zoom;
  for (int i = 0; i < 2; ++i) {
    ShmBuffer& buffer = buffers.pair[i];
    buffer = ShmBuffer{};
    buffer.pixels = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(memory) + one * i);
    buffer.buffer = wl_shm_pool_create_buffer(pool, int32_t(one * i), width, height,
                                              int32_t(stride), WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(buffer.buffer, &kReleaseListener, &buffer);
  }
  // The buffers keep the memory mapped in the compositor after the pool goes.
  wl_shm_pool_destroy(pool);
  return true;
}

void ShmBuffersMarkChanged(ShmBuffers& buffers, const SoftRect* rects, int count) {
  for (int i = 0; i < count; ++i) {
    if (rects[i].width <= 0 || rects[i].height <= 0) continue;
    for (ShmBuffer& buffer : buffers.pair) AddStale(buffer, rects[i]);
  }
}

bool ShmBuffersAttach(ShmBuffers& buffers, wl_surface* surface, const SoftPicture& picture) {
  ShmBuffer* free = nullptr;
  for (ShmBuffer& buffer : buffers.pair) {
    if (!buffer.busy && buffer.buffer) {
      free = &buffer;
      break;
    }
  }
  if (!free) return false;
  const int32_t zoom = buffers.zoom;
  for (int i = 0; i < free->staleCount; ++i) {
    // Within the picture, which is within the buffer.
    SoftRect rect = free->stale[i];
    if (rect.x < 0) rect.width += rect.x, rect.x = 0;
    if (rect.y < 0) rect.height += rect.y, rect.y = 0;
    if (rect.x + rect.width > picture.width) rect.width = picture.width - rect.x;
    if (rect.y + rect.height > picture.height) rect.height = picture.height - rect.y;
    if (rect.width <= 0 || rect.height <= 0) continue;
    CopyRect(buffers, free->pixels, picture, rect);
    wl_surface_damage_buffer(surface, rect.x * zoom, rect.y * zoom, rect.width * zoom,
                             rect.height * zoom);
  }
  free->staleCount = 0;
  free->busy = true;
  wl_surface_attach(surface, free->buffer, 0, 0);
  return true;
}

void ShmBuffersClose(ShmBuffers& buffers) {
  for (ShmBuffer& buffer : buffers.pair) {
    if (buffer.buffer) wl_buffer_destroy(buffer.buffer);
    buffer = ShmBuffer{};
  }
  if (buffers.memory) munmap(buffers.memory, buffers.size);
  buffers.memory = nullptr;
  buffers.size = 0;
}
