// Background music: loads the sample data of RIFF WAVE files into eight slots and plays a
// slot through the wave-out device, looped by the device itself.
#pragma once

#include <windows.h>

constexpr int kWaveSlotCount = 8;

// Opens the device for 22050 Hz 8-bit mono; notifications go to `window`. 1 when open.
int SoundInit(HWND window);
// Loads the "data" chunk of a RIFF WAVE file into an empty slot. 1 when loaded.
int SoundLoadWave(const char* fileName, int slot);
// Starts a loaded slot, looping when `loop` is 1. 1 when started.
int SoundPlay(int slot, int loop);
// Stops the device, frees every slot and closes the device. 1 when stopped and closed.
int SoundReleaseAll();
