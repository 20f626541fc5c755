#include "unix/alsa_music.h"

#include <alsa/asoundlib.h>
#include <time.h>

#include "show/image_decode.h"
#include "show/music_data.h"

namespace {

constexpr unsigned kRate = 22050;
// The device's buffer, and how far the music may run ahead of the clock: devices that take
// samples as fast as they come (a file sink) are held to the music's own pace.
constexpr unsigned kLatencyUs = 500000;
constexpr int64_t kLeadFrames = kRate / 2;
constexpr int kFeedPeriodMs = 100;
// More behind than this (several feed periods) means the program was not running.
constexpr int64_t kMaxBacklogFrames = kRate / 2;

snd_pcm_t* Device = nullptr;
const uint8_t* Samples = nullptr;
size_t Length = 0;
size_t Position = 0;        // next sample to hand over
int64_t FramesWritten = 0;  // since the start
int64_t StartNs = 0;

int64_t NowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

bool MusicOpen(const uint8_t* samples, size_t length) {
  MusicClose();
  if (!samples || length == 0) return false;
  if (snd_pcm_open(&Device, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
    Device = nullptr;
    return false;
  }
  if (snd_pcm_set_params(Device, SND_PCM_FORMAT_U8, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                         kLatencyUs) < 0) {
    MusicClose();
    return false;
  }
  Samples = samples;
  Length = length;
  Position = 0;
  FramesWritten = 0;
  StartNs = NowNs();
  MusicFeed();
  return true;
}

void MusicOpenShowMusic() {
  const uint8_t* file = nullptr;
  const uint8_t* samples = nullptr;
  size_t size = 0, length = 0;
  if (EmbeddedMusic(0, &file, &size) && FindWaveData(file, size, &samples, &length)) {
    MusicOpen(samples, length);
  }
}

void MusicFeed() {
  if (!Device) return;
  const int64_t due = (NowNs() - StartNs) / 1000 * kRate / 1000000 + kLeadFrames;
  // After a pause of the whole program (SIGSTOP, a suspended machine) the clock has run on
  // without the music: what was missed is dropped, and the music goes on where it would stand
  // now, instead of pouring the backlog out at once.
  const int64_t missed = due - FramesWritten - kLeadFrames;
  if (missed > kMaxBacklogFrames) {
    Position = size_t((int64_t(Position) + missed) % int64_t(Length));
    FramesWritten += missed;
  }
  for (int attempt = 0; attempt < 8 && FramesWritten < due; ++attempt) {
    snd_pcm_sframes_t room = snd_pcm_avail_update(Device);
    if (room < 0) {
      // Run dry or suspended: start the device again where the music stands.
      if (snd_pcm_recover(Device, static_cast<int>(room), 1) < 0) return;
      continue;
    }
    int64_t count = due - FramesWritten;
    if (count > room) count = room;
    if (count > int64_t(Length - Position)) count = int64_t(Length - Position);
    if (count <= 0) return;
    const snd_pcm_sframes_t written =
        snd_pcm_writei(Device, Samples + Position, static_cast<snd_pcm_uframes_t>(count));
    if (written == -EAGAIN) return;
    if (written < 0) {
      if (snd_pcm_recover(Device, static_cast<int>(written), 1) < 0) return;
      continue;
    }
    FramesWritten += written;
    Position += size_t(written);
    if (Position >= Length) Position = 0;
  }
}

int MusicNextFeedMs() { return Device ? kFeedPeriodMs : -1; }

void MusicClose() {
  if (Device) {
    snd_pcm_drop(Device);
    snd_pcm_close(Device);
  }
  Device = nullptr;
  Samples = nullptr;
  Length = Position = 0;
}
