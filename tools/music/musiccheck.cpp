// musiccheck: reviews a background-music file for the saver's player, which
// wants a canonical 44-byte-header WAVE of 22050 Hz, 8-bit unsigned, mono PCM
// and loops its data block on its own.
//
// Prints duration, format, levels, DC offset and the loop seam (the step from
// the last sample back to the first) against the file's own 99.9th-percentile
// sample-to-sample step. Exits non-zero when the file is shorter than 30 s, has
// any clipped sample (0 or 255), has a seam step larger than that percentile,
// or is not in the expected format.
//
// Usage: musiccheck FILE.wav

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 22050;
constexpr double kMinSeconds = 30.0;

uint32_t ReadLe16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t ReadLe32(const std::vector<uint8_t>& b, size_t at) {
  return ReadLe16(b, at) | (ReadLe16(b, at + 2) << 16);
}
bool HasTag(const std::vector<uint8_t>& b, size_t at, const char* t) {
  return std::equal(t, t + 4, b.begin() + std::ptrdiff_t(at));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: musiccheck FILE.wav\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "musiccheck: cannot open %s\n", argv[1]);
    return 2;
  }
  const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};

  std::vector<std::string> problems;
  if (b.size() < 44 || !HasTag(b, 0, "RIFF") || !HasTag(b, 8, "WAVE") || !HasTag(b, 12, "fmt ") ||
      !HasTag(b, 36, "data")) {
    std::printf("file:        %s (%zu bytes)\nverdict:     FAIL: not a canonical RIFF WAVE file\n",
                argv[1], b.size());
    return 1;
  }
  const uint32_t riffSize = ReadLe32(b, 4), fmtSize = ReadLe32(b, 16), format = ReadLe16(b, 20),
                 channels = ReadLe16(b, 22), rate = ReadLe32(b, 24), byteRate = ReadLe32(b, 28),
                 align = ReadLe16(b, 32), bits = ReadLe16(b, 34), dataSize = ReadLe32(b, 40);
  std::printf("file:        %s (%zu bytes)\n", argv[1], b.size());
  std::printf("format:      PCM tag %u, %u Hz, %u bit, %u channel(s)\n", format, rate, bits,
              channels);
  if (fmtSize != 16 || format != 1 || channels != 1 || rate != kRate || bits != 8 ||
      byteRate != kRate || align != 1) {
    // Levels of anything but 8-bit mono samples would be meaningless; stop here.
    std::printf("verdict:     FAIL: not 22050 Hz 8-bit mono PCM with a 16-byte fmt chunk\n");
    return 1;
  }
  if (dataSize == 0 || dataSize > b.size() - 44) {
    problems.push_back("data chunk size " + std::to_string(dataSize) + " does not fit the file");
  } else if (riffSize != 36 + dataSize + (dataSize % 2)) {
    problems.push_back("RIFF size " + std::to_string(riffSize) + " does not match the data");
  }

  const size_t n = std::min<size_t>(dataSize, b.size() - 44);
  const uint8_t* x = b.data() + 44;
  const double seconds = double(n) / kRate;
  std::printf("duration:    %.3f s (%zu samples)\n", seconds, n);
  if (seconds < kMinSeconds) problems.push_back("shorter than 30 s");

  if (n >= 2) {
    const auto [lo, hi] = std::minmax_element(x, x + n);
    double sum = 0.0, sumSq = 0.0;
    size_t clipped = 0;
    std::array<size_t, 256> steps{};
    for (size_t i = 0; i < n; ++i) {
      const double v = x[i] - 128.0;
      sum += v;
      sumSq += v * v;
      if (x[i] == 0 || x[i] == 255) ++clipped;
      if (i + 1 < n) ++steps[size_t(std::abs(int(x[i + 1]) - int(x[i])))];
    }
    const double dc = sum / double(n);
    const double rms = std::sqrt(sumSq / double(n)) / 128.0;
    // Smallest step that at least 99.9 % of the in-file steps do not exceed.
    const size_t want = size_t(std::ceil(0.999 * double(n - 1)));
    size_t seen = 0, p999 = 0;
    while (p999 < 255 && (seen += steps[p999]) < want) ++p999;
    const int seam = std::abs(int(x[n - 1]) - int(x[0]));

    std::printf("peak:        min %u, max %u (%.1f %% of full scale)\n", *lo, *hi,
                100.0 * std::max(128.0 - *lo, *hi - 128.0) / 127.0);
    std::printf("rms:         %.2f dBFS\n", rms > 0 ? 20.0 * std::log10(rms) : -999.0);
    std::printf("clipped:     %zu samples\n", clipped);
    std::printf("dc offset:   %+.4f LSB\n", dc);
    std::printf("seam step:   %d (last %u -> first %u); 99.9th percentile step %zu\n", seam,
                x[n - 1], x[0], p999);
    if (clipped) problems.push_back(std::to_string(clipped) + " clipped samples");
    if (size_t(seam) > p999) problems.push_back("loop seam step exceeds the in-file steps");
  } else {
    problems.push_back("no audio data");
  }

  if (problems.empty()) {
    std::printf("verdict:     OK\n");
    return 0;
  }
  std::printf("verdict:     FAIL:");
  for (size_t i = 0; i < problems.size(); ++i)
    std::printf("%s %s", i ? ";" : "", problems[i].c_str());
  std::printf("\n");
  return 1;
}
