// The wave player against Wine's real wave-out device, with small WAVE files written to a
// scratch folder. A hidden window receives the device's notifications: MM_WOM_OPEN hands over
// the device so that the test can read its play position, and every MM_WOM_DONE is counted.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/message_pump.h"
#include "tests/wine/file_bytes.h"
#include "windows/sound/sound.h"

namespace {

HWAVEOUT OpenedDevice = nullptr;
int DoneCount = 0;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MM_WOM_OPEN) OpenedDevice = reinterpret_cast<HWAVEOUT>(wParam);
  if (message == MM_WOM_DONE) ++DoneCount;
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeListener() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ListenerProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "QV3SOUNDTEST";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "QV3SOUNDTEST", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Pumps until `count` done notifications arrived or `ms` pass; true when they arrived.
bool WaitDone(int count, DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  while (DoneCount<count&& static_cast<LONG>(end - GetTickCount())> 0) PumpMessages(20);
  return DoneCount >= count;
}

DWORD PlayedBytes() {
  MMTIME time = {};
  time.wType = TIME_BYTES;
  if (waveOutGetPosition(OpenedDevice, &time, sizeof time) != MMSYSERR_NOERROR) return 0;
  return time.u.cb;
}

std::string Chunk(const char* id, const std::string& payload) {
  std::string chunk = std::string(id, 4) + Le32(static_cast<uint32_t>(payload.size())) + payload;
  if (payload.size() % 2 != 0) chunk += '\0';
  return chunk;
}

std::string Riff(const char* form, const std::string& chunks) {
  return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + std::string(form, 4) + chunks;
}

// A "fmt " chunk for the given rate, channels and bits per sample.
std::string Format(uint32_t rate, uint16_t channels, uint16_t bits) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  std::string fmt;
  fmt += Le32(1).substr(0, 2) + Le32(channels).substr(0, 2);
  fmt += Le32(rate) + Le32(rate * align);
  fmt += Le32(align).substr(0, 2) + Le32(bits).substr(0, 2);
  return Chunk("fmt ", fmt);
}

// `n` bytes of an 8-bit square wave around the middle value.
std::string Samples(size_t n) {
  std::string samples(n, '\0');
  for (size_t i = 0; i < n; ++i) samples[i] = static_cast<char>(128 + ((i / 25) % 2 ? 40 : -40));
  return samples;
}

class Sound : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    scratch_ = std::wstring(temp) + L"qv3sound";
    CreateDirectoryW(scratch_.c_str(), nullptr);
    listener_ = MakeListener();
    ASSERT_NE(listener_, nullptr);
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "no wave-out device";
    OpenedDevice = nullptr;
    DoneCount = 0;
    ASSERT_EQ(SoundInit(listener_), 1);
    PumpMessages(100);
    ASSERT_NE(OpenedDevice, nullptr) << "no MM_WOM_OPEN";
  }
  void TearDown() override {
    SoundSetLoopCount(99999);
    SoundReleaseAll();
    PumpMessages(50);
    DestroyWindow(listener_);
    for (const std::wstring& path : files_) DeleteFileW(path.c_str());
    RemoveDirectoryW(scratch_.c_str());
  }

  // Writes a file into the scratch folder; `name` is UTF-8.
  std::wstring File(const std::string& name, const std::string& bytes) {
    wchar_t wideName[MAX_PATH] = L"";
    MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, wideName, MAX_PATH);
    const std::wstring path = scratch_ + L"\\" + wideName;
    FILE* f = _wfopen(path.c_str(), L"wb");
    EXPECT_NE(f, nullptr) << name;
    if (f == nullptr) return path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    files_.push_back(path);
    return path;
  }

  // Plays a loaded slot once and returns the bytes the device played by its end. A sound
  // that was playing is stopped first, which brings one more done notification.
  DWORD PlayOnce(int slot, bool stopsAnother = false) {
    DoneCount = 0;
    EXPECT_EQ(SoundPlay(slot, 0), 1);
    EXPECT_TRUE(WaitDone(stopsAnother ? 2 : 1, 5000)) << "the sound did not end";
    return PlayedBytes();
  }

  // Starts a long sound in slot 0, looping, and waits until the device is playing it.
  DWORD StartLongLoop() {
    EXPECT_EQ(
        SoundLoadWave(File("long.wav", Riff("WAVE", Chunk("data", Samples(44100)))).c_str(), 0), 1);
    EXPECT_EQ(SoundPlay(0, 1), 1);
    PumpMessages(400);
    const DWORD played = PlayedBytes();
    EXPECT_GT(played, 0u) << "the device does not play";
    DoneCount = 0;
    return played;
  }

  std::wstring scratch_;
  std::vector<std::wstring> files_;
  HWND listener_ = nullptr;
};

TEST_F(Sound, LoadsOnlyTheDataChunkOfWaveFiles) {
  const std::string data = Samples(3001);
  const std::string fmt = Format(22050, 1, 8);
  struct Case {
    const char* name;
    std::string bytes;
    int loaded;
  };
  const Case cases[] = {
      {"plain", Riff("WAVE", fmt + Chunk("data", data)), 1},
      {"another format declared", Riff("WAVE", Format(44100, 2, 16) + Chunk("data", data)), 1},
      {"data after other chunks",
       Riff("WAVE",
            Chunk("LIST", "INFOjunk!") + fmt + Chunk("fact", Le32(3001)) + Chunk("data", data)),
       1},
      {"no fmt chunk at all", Riff("WAVE", Chunk("data", data)), 1},
      {"form type is not WAVE", Riff("AVI ", fmt + Chunk("data", data)), 0},
      {"not RIFF", "RIFX" + Riff("WAVE", fmt + Chunk("data", data)).substr(4), 0},
      {"no data chunk", Riff("WAVE", fmt + Chunk("junk", data)), 0},
      {"empty data chunk", Riff("WAVE", fmt + Chunk("data", "")), 0},
      {"cut short inside data", Riff("WAVE", fmt + Chunk("data", data)).substr(0, 1500), 0},
      {"empty file", "", 0},
      // A chunk that claims more than the file holds is refused before it is read, however
      // much it claims: sizes from 2 GB on are negative as mmioRead's signed count.
      {"data claims 0xFFFFFFF0 bytes", Riff("WAVE", fmt + "data" + Le32(0xFFFFFFF0) + data), 0},
      {"data claims 0x80000010 bytes", Riff("WAVE", fmt + "data" + Le32(0x80000010) + data), 0},
      {"data claims 0x7FFFFFF0 bytes", Riff("WAVE", fmt + "data" + Le32(0x7FFFFFF0) + data), 0},
      {"data claims 1 GB", Riff("WAVE", fmt + "data" + Le32(0x40000000) + data), 0},
      {"data claims one byte more than is left",
       Riff("WAVE", fmt + "data" + Le32(static_cast<uint32_t>(data.size() + 1)) + data), 0},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    const int slot = static_cast<int>(i % kWaveSlotCount);
    SoundReleaseAll();
    ASSERT_EQ(SoundInit(listener_), 1);
    PumpMessages(50);
    const std::wstring path = File("case" + std::to_string(i) + ".wav", c.bytes);
    EXPECT_EQ(SoundLoadWave(path.c_str(), slot), c.loaded);
    if (c.loaded) {
      // The device plays exactly the data chunk's bytes, whatever the "fmt " chunk says.
      EXPECT_EQ(PlayOnce(slot), data.size());
    } else {
      EXPECT_EQ(SoundPlay(slot, 1), 0) << "a refused file left something in the slot";
      // Nothing is kept: the slot takes a good file afterwards.
      EXPECT_EQ(
          SoundLoadWave(File("good.wav", Riff("WAVE", fmt + Chunk("data", data))).c_str(), slot),
          1);
    }
  }
}

TEST_F(Sound, RefusesMissingFilesAndSlotsOutOfRange) {
  const std::wstring good = File("good.wav", Riff("WAVE", Chunk("data", Samples(100))));
  EXPECT_EQ(SoundLoadWave((scratch_ + L"\\missing.wav").c_str(), 0), 0);
  EXPECT_EQ(SoundLoadWave(good.c_str(), -1), 0);
  EXPECT_EQ(SoundLoadWave(good.c_str(), kWaveSlotCount), 0);
  EXPECT_EQ(SoundPlay(-1, 1), 0);
  EXPECT_EQ(SoundPlay(kWaveSlotCount, 1), 0);
  EXPECT_EQ(SoundLoadWave(good.c_str(), kWaveSlotCount - 1), 1);
  EXPECT_EQ(PlayOnce(kWaveSlotCount - 1), 100u);
}

TEST_F(Sound, SecondLoadIntoALoadedSlotIsRefusedAndPlaybackGoesOn) {
  const DWORD before = StartLongLoop();
  const std::wstring other = File("other.wav", Riff("WAVE", Chunk("data", Samples(10))));
  EXPECT_EQ(SoundLoadWave(other.c_str(), 0), 0);
  PumpMessages(300);
  EXPECT_EQ(DoneCount, 0) << "playback was stopped";
  EXPECT_GT(PlayedBytes(), before + 2205) << "playback was restarted or stalled";
  // The slot still holds the long sound: the short one would have ended long ago.
  EXPECT_EQ(PlayOnce(0, true), 44100u);
}

TEST_F(Sound, PlayingAnEmptySlotKeepsTheCurrentSoundPlaying) {
  const DWORD before = StartLongLoop();
  EXPECT_EQ(SoundPlay(1, 1), 0);
  EXPECT_EQ(SoundPlay(1, 0), 0);
  PumpMessages(300);
  EXPECT_EQ(DoneCount, 0) << "playback was stopped";
  EXPECT_GT(PlayedBytes(), before + 2205) << "playback was restarted or stalled";
}

TEST_F(Sound, PlayingTheCurrentSlotRestartsIt) {
  StartLongLoop();
  PumpMessages(500);
  const DWORD before = PlayedBytes();
  ASSERT_GT(before, 11025u);
  EXPECT_EQ(SoundPlay(0, 1), 1);
  const DWORD after = PlayedBytes();
  EXPECT_LT(after, before / 2) << "the position did not start over";
  PumpMessages(200);
  EXPECT_EQ(DoneCount, 1) << "the first start was not stopped exactly once";
  EXPECT_GT(PlayedBytes(), after) << "the restarted sound does not play";
}

TEST_F(Sound, LoopOnlyWhenAskedWithOne) {
  const std::wstring path = File("short.wav", Riff("WAVE", Chunk("data", Samples(4410))));
  ASSERT_EQ(SoundLoadWave(path.c_str(), 2), 1);
  for (int loop : {0, 2, -1}) {
    SCOPED_TRACE(loop);
    DoneCount = 0;
    ASSERT_EQ(SoundPlay(2, loop), 1);
    EXPECT_TRUE(WaitDone(1, 3000)) << "the sound did not end";
    EXPECT_EQ(PlayedBytes(), 4410u);
  }
  DoneCount = 0;
  ASSERT_EQ(SoundPlay(2, 1), 1);
  PumpMessages(800);  // four times the sound's length
  EXPECT_EQ(DoneCount, 0);
  EXPECT_GT(PlayedBytes(), 3u * 4410);
}

TEST_F(Sound, LoopEndsAfterItsCount) {
  // A two-byte sound keeps the 99999 rounds short.
  const std::wstring path = File("tiny.wav", Riff("WAVE", Chunk("data", Samples(2))));
  ASSERT_EQ(SoundLoadWave(path.c_str(), 5), 1);
  DoneCount = 0;
  ASSERT_EQ(SoundPlay(5, 1), 1);
  EXPECT_TRUE(WaitDone(1, 60000)) << "the loop did not end";
  // Wine's position of a loop of tiny buffers runs a few thousand bytes (one or two device
  // periods) past what was played: allow a quarter of a second of that.
  const DWORD played = PlayedBytes();
  EXPECT_GE(played, 2u * 99999);
  EXPECT_LT(played, 2u * 99999 + 5512);
}

TEST_F(Sound, ShortenedLoopCountHandsTheSoundBackAfterThatManyRounds) {
  const std::wstring path = File("short.wav", Riff("WAVE", Chunk("data", Samples(441))));
  ASSERT_EQ(SoundLoadWave(path.c_str(), 0), 1);
  SoundSetLoopCount(3);
  DoneCount = 0;
  ASSERT_EQ(SoundPlay(0, 1), 1);
  EXPECT_TRUE(WaitDone(1, 5000)) << "the loop did not end";
  const DWORD played = PlayedBytes();
  EXPECT_GE(played, 3u * 441);
  EXPECT_LT(played, 4u * 441 + 5512);
  // A start that is not looping plays once, whatever the count.
  DoneCount = 0;
  ASSERT_EQ(SoundPlay(0, 0), 1);
  EXPECT_TRUE(WaitDone(1, 3000));
  EXPECT_EQ(PlayedBytes(), 441u);
}

TEST_F(Sound, OpensFilesNamedInAnyScriptAndClosesThem) {
  const std::string data = Samples(777);
  for (const char* name : {"音楽データ.wav", "Müsik.wav", "Музыка.wav"}) {
    SCOPED_TRACE(name);
    SoundReleaseAll();
    ASSERT_EQ(SoundInit(listener_), 1);
    PumpMessages(50);
    const std::wstring refused = File(std::string("x") + name, Riff("AVI ", Chunk("data", data)));
    EXPECT_EQ(SoundLoadWave(refused.c_str(), 0), 0);
    const std::wstring path = File(name, Riff("WAVE", Chunk("data", data)));
    ASSERT_EQ(SoundLoadWave(path.c_str(), 0), 1);
    // A file still open could not be deleted.
    EXPECT_TRUE(DeleteFileW(refused.c_str())) << "the refused file was left open";
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the loaded file was left open";
    EXPECT_EQ(PlayOnce(0), data.size());
  }
}

TEST_F(Sound, ReleaseStopsEverythingAndLaterPlaysStartNothing) {
  SoundReleaseAll();
  ASSERT_EQ(SoundInit(listener_), 1);
  EXPECT_EQ(SoundReleaseAll(), 1) << "release with nothing loaded";

  ASSERT_EQ(SoundInit(listener_), 1);
  PumpMessages(100);
  StartLongLoop();
  EXPECT_EQ(SoundReleaseAll(), 1);
  // The device's last done notification arrives after the release, and the saver answers
  // it with a play: that must start nothing.
  PumpMessages(200);
  EXPECT_EQ(SoundPlay(0, 1), 0);
  EXPECT_EQ(SoundLoadWave(File("again.wav", Riff("WAVE", Chunk("data", Samples(50)))).c_str(), 0),
            1);
  EXPECT_EQ(SoundPlay(0, 1), 0);
  EXPECT_EQ(SoundReleaseAll(), 0) << "a second release has no device to close";
}

}  // namespace
