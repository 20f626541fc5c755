// Finding the music's samples in a RIFF WAVE file, damaged files included.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "show/music_data.h"

namespace {

std::vector<uint8_t> Riff(const char* form, std::vector<std::pair<std::string, size_t>> chunks,
                          size_t cut = 0) {
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  file.insert(file.end(), form, form + 4);
  uint8_t fill = 1;
  for (const auto& [name, size] : chunks) {
    file.insert(file.end(), name.begin(), name.end());
    for (int i = 0; i < 4; ++i) file.push_back(uint8_t(size >> (8 * i)));
    for (size_t i = 0; i < size + (size & 1); ++i) file.push_back(fill);
    ++fill;
  }
  const size_t riff = file.size() - 8;
  for (int i = 0; i < 4; ++i) file[4 + i] = uint8_t(riff >> (8 * i));
  file.resize(file.size() - cut);
  return file;
}

TEST(MusicData, FindsTheDataChunkAndRefusesDamagedFiles) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    bool found;
    size_t length;
    uint8_t first;
  };
  const Case kCases[] = {
      {"format then data", Riff("WAVE", {{"fmt ", 16}, {"data", 100}}), true, 100, 2},
      {"odd chunk padded", Riff("WAVE", {{"LIST", 3}, {"data", 7}}), true, 7, 2},
      {"data first", Riff("WAVE", {{"data", 5}, {"fmt ", 16}}), true, 5, 1},
      {"another form", Riff("AVI ", {{"data", 5}}), false, 0, 0},
      {"no data chunk", Riff("WAVE", {{"fmt ", 16}}), false, 0, 0},
      {"empty data", Riff("WAVE", {{"fmt ", 16}, {"data", 0}}), false, 0, 0},
      {"cut short", Riff("WAVE", {{"fmt ", 16}, {"data", 100}}, 10), false, 0, 0},
      {"cut in a header", Riff("WAVE", {{"fmt ", 16}}, 20), false, 0, 0},
      {"too short", std::vector<uint8_t>{'R', 'I', 'F', 'F'}, false, 0, 0},
  };
  for (const Case& c : kCases) {
    const uint8_t* samples = nullptr;
    size_t length = 0;
    EXPECT_EQ(FindWaveData(c.file.data(), c.file.size(), &samples, &length), c.found) << c.name;
    if (!c.found) continue;
    EXPECT_EQ(length, c.length) << c.name;
    EXPECT_EQ(samples[0], c.first) << c.name;
    EXPECT_LE(samples + length, c.file.data() + c.file.size()) << c.name;
  }
  // The program's own music: a minute or more of samples.
  const uint8_t* file = nullptr;
  const uint8_t* samples = nullptr;
  size_t size = 0, length = 0;
  ASSERT_TRUE(EmbeddedMusic(0, &file, &size));
  ASSERT_TRUE(FindWaveData(file, size, &samples, &length));
  EXPECT_GT(length, size_t(22050 * 60));
  EXPECT_FALSE(EmbeddedMusic(1, &file, &size));
}

}  // namespace
