// Background music: loads the sample data of RIFF WAVE files into eight slots and plays a
// slot through the wave-out device, looped by the device itself.
#pragma once

#include <windows.h>

constexpr int kWaveSlotCount = 8;

// Opens the device for 22050 Hz 8-bit mono; notifications go to `window`. 1 when open.
int SoundInit(HWND window);
// Loads the "data" chunk of a RIFF WAVE file into an empty slot, bytes as they are: the
// file's "fmt " chunk is not read. 0 for a slot that is already loaded. 1 when loaded. The name
// is in wide characters, so that any folder name opens on every system locale.
int SoundLoadWave(const wchar_t* fileName, int slot);
// Stops whatever plays (the slot itself included, which restarts it) and starts a loaded slot,
// looping 99999 times when `loop` is 1. An empty slot or a closed device starts nothing and
// leaves the current sound playing. 1 when started.
int SoundPlay(int slot, int loop);
// How many rounds a looping start plays before the device hands the sound back: 99999 unless
// set otherwise (a long-run check shortens it to see many hand-backs). Applies from the next start.
void SoundSetLoopCount(DWORD rounds);
// Stops the device, frees every slot and closes the device; afterwards SoundPlay starts
// nothing. Without an open device it only frees the slots. 1 when stopped and closed.
int SoundReleaseAll();
