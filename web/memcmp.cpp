// memcmp for the module: wasi-libc's compares byte by byte, and the compositor compares every
// row it draws with what the picture held there each tick. This one compares eight bytes at a
// time and looks at single bytes only in the word that differs.
#include <cstddef>
#include <cstdint>

extern "C" __attribute__((no_builtin)) int memcmp(const void* left, const void* right,
                                                  size_t size) {
  const auto* a = static_cast<const unsigned char*>(left);
  const auto* b = static_cast<const unsigned char*>(right);
  size_t at = 0;
  for (; at + 8 <= size; at += 8) {
    uint64_t wordA, wordB;
    __builtin_memcpy(&wordA, a + at, 8);
    __builtin_memcpy(&wordB, b + at, 8);
    if (wordA != wordB) break;
  }
  for (; at < size; ++at) {
    if (a[at] != b[at]) return int(a[at]) - int(b[at]);
  }
  return 0;
}
