// The background music through ALSA: 22050 Hz, 8-bit unsigned, mono, looped for as long as the
// program runs. Fed from the program's one loop, without threads.
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default playback device for `samples` and starts them; false, with the device
// closed, when there is none that takes the format. The samples must stay until MusicClose.
bool MusicOpen(const uint8_t* samples, size_t length);
// Opens the device for the show's own music, embedded in the program; without a device or the
// samples the show goes on silently.
void MusicOpenShowMusic();
// Hands the device what it can take now, from where the music stands, looping at the end.
void MusicFeed();
// Milliseconds until the device wants more; -1 while the music is not open.
int MusicNextFeedMs();
// Stops the music at once and closes the device. Does nothing when it is not open.
void MusicClose();
