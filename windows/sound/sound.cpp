#include "windows/sound/sound.h"

#include <mmsystem.h>

namespace {

// The block that holds a slot's WAVEHDR: 32 bytes in the 32-bit program, larger where pointers
// are 64 bits wide.
constexpr UINT kHeaderSize = sizeof(WAVEHDR);
constexpr DWORD kEndlessLoops = 99999;
// The largest "data" chunk read in one piece: what mmioRead's signed count can ask for.
constexpr DWORD kMaxSampleBytes = 0x7FFFFFFF;

// One loaded sound: its sample bytes and the header the device plays them through. Both
// blocks stay locked from the load to the release.
struct WaveSlot {
  HGLOBAL sampleMemory;  // null when the slot is empty
  BYTE* samples;
  DWORD length;  // bytes of the "data" chunk; 0 when empty
  HGLOBAL headerMemory;
  WAVEHDR* header;
};

static_assert(sizeof(void*) != 4 || kHeaderSize == 32, "the 32-bit header block is 32 bytes");

HWAVEOUT WaveDevice = nullptr;
DWORD LoopCount = kEndlessLoops;
int CurrentSlot = -1;
WaveSlot Slots[kWaveSlotCount];

// Every file is played as 22050 Hz 8-bit mono, whatever its own "fmt " chunk says.
WAVEFORMATEX WaveFormat() {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = 22050;
  format.nAvgBytesPerSec = 22050;
  format.nBlockAlign = 1;
  format.wBitsPerSample = 8;
  format.cbSize = 0;
  return format;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kWaveSlotCount; }

void MarkEmpty(WaveSlot& slot) {
  slot.sampleMemory = nullptr;
  slot.samples = nullptr;
  slot.length = 0;
  slot.headerMemory = nullptr;
  slot.header = nullptr;
}

void FreeSamples(WaveSlot& slot) {
  GlobalUnlock(slot.sampleMemory);
  GlobalFree(slot.sampleMemory);
  slot.sampleMemory = nullptr;
  slot.samples = nullptr;
  slot.length = 0;
}

MMRESULT SoundQueryFormat() {
  WAVEFORMATEX format = WaveFormat();
  return waveOutOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY);
}

MMRESULT SoundOpenDevice(HWND window) {
  WAVEFORMATEX format = WaveFormat();
  return waveOutOpen(&WaveDevice, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(window), 0,
                     CALLBACK_WINDOW);
}

// Reads the "data" chunk of an open RIFF WAVE file of `fileSize` bytes into the slot's sample
// block; false leaves the slot empty. A chunk that claims more bytes than the file holds after
// its start is refused before anything is allocated or read: mmioRead takes a signed count.
bool ReadDataChunk(HMMIO file, ULONGLONG fileSize, WaveSlot& slot) {
  MMCKINFO riff = {};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return false;
  MMCKINFO data = {};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(file, &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
  if (data.cksize == 0 || data.dwDataOffset > fileSize ||
      data.cksize > fileSize - data.dwDataOffset || data.cksize > kMaxSampleBytes)
    return false;
  slot.length = data.cksize;
  slot.sampleMemory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, slot.length);
  if (slot.sampleMemory == nullptr) {
    slot.length = 0;
    return false;
  }
  slot.samples = static_cast<BYTE*>(GlobalLock(slot.sampleMemory));
  const LONG wanted = static_cast<LONG>(slot.length);
  if (mmioRead(file, reinterpret_cast<HPSTR>(slot.samples), wanted) != wanted) {
    FreeSamples(slot);
    return false;
  }
  return true;
}

// Opens a file for buffered reading. The file is opened by the wide-character call and handed
// to the multimedia file functions as a handle, because their own opening goes through the ANSI
// code page on some systems and then misses names outside it.
// `fileSize` receives the file's size in bytes.
HMMIO OpenForReading(const wchar_t* fileName, ULONGLONG* fileSize) {
  const HANDLE handle = CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return nullptr;
  }
  *fileSize = static_cast<ULONGLONG>(size.QuadPart);
  MMIOINFO info = {};
  info.fccIOProc = FOURCC_DOS;
  info.adwInfo[0] = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(handle));
  const HMMIO file = mmioOpenW(nullptr, &info, MMIO_ALLOCBUF | MMIO_READ);
  if (file == nullptr) CloseHandle(handle);  // once open, mmioClose closes the handle too
  return file;
}

}  // namespace

int SoundInit(HWND window) {
  for (WaveSlot& slot : Slots) MarkEmpty(slot);
  WaveDevice = nullptr;
  CurrentSlot = -1;
  if (SoundQueryFormat() != MMSYSERR_NOERROR) return 0;
  if (SoundOpenDevice(window) != MMSYSERR_NOERROR) {
    WaveDevice = nullptr;
    return 0;
  }
  return 1;
}

int SoundLoadWave(const wchar_t* fileName, int slot) {
  if (!ValidSlot(slot) || fileName == nullptr) return 0;
  WaveSlot& target = Slots[slot];
  if (target.sampleMemory != nullptr) return 0;
  ULONGLONG fileSize = 0;
  const HMMIO file = OpenForReading(fileName, &fileSize);
  if (file == nullptr) return 0;
  const bool read = ReadDataChunk(file, fileSize, target);
  mmioClose(file, 0);
  if (!read) return 0;

  target.headerMemory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, kHeaderSize);
  if (target.headerMemory == nullptr) {
    FreeSamples(target);
    MarkEmpty(target);
    return 0;
  }
  target.header = static_cast<WAVEHDR*>(GlobalLock(target.headerMemory));
  ZeroMemory(target.header, kHeaderSize);
  target.header->lpData = reinterpret_cast<LPSTR>(target.samples);
  target.header->dwBufferLength = target.length;
  target.header->dwFlags = 0;
  target.header->dwLoops = 0;
  waveOutPrepareHeader(WaveDevice, target.header, kHeaderSize);
  return 1;
}

int SoundPlay(int slot, int loop) {
  if (WaveDevice == nullptr) return 0;
  if (!ValidSlot(slot) || Slots[slot].sampleMemory == nullptr) return 0;
  // Whatever plays is stopped first, the slot itself included: playing it again restarts it.
  if (CurrentSlot != -1) {
    waveOutReset(WaveDevice);
    waveOutUnprepareHeader(WaveDevice, Slots[CurrentSlot].header, kHeaderSize);
  }
  WAVEHDR* header = Slots[slot].header;
  if (loop == 1) {
    header->dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header->dwLoops = LoopCount;
  } else {
    header->dwFlags = 0;
    header->dwLoops = 0;
  }
  waveOutPrepareHeader(WaveDevice, header, kHeaderSize);
  if (waveOutWrite(WaveDevice, header, kHeaderSize) == MMSYSERR_NOERROR) {
    CurrentSlot = slot;
    return 1;
  }
  waveOutUnprepareHeader(WaveDevice, header, kHeaderSize);
  CurrentSlot = -1;
  return 0;
}

void SoundSetLoopCount(DWORD rounds) { LoopCount = rounds; }

int SoundReleaseAll() {
  // A device that never opened has nothing to stop, but the slots are still freed.
  MMRESULT result = WaveDevice != nullptr ? waveOutReset(WaveDevice) : MMSYSERR_INVALHANDLE;
  for (WaveSlot& slot : Slots) {
    if (slot.headerMemory != nullptr) {
      if (WaveDevice != nullptr) waveOutUnprepareHeader(WaveDevice, slot.header, kHeaderSize);
      GlobalUnlock(slot.headerMemory);
      GlobalFree(slot.headerMemory);
    }
    if (slot.sampleMemory != nullptr) FreeSamples(slot);
    MarkEmpty(slot);
  }
  if (result == MMSYSERR_NOERROR) result = waveOutClose(WaveDevice);
  WaveDevice = nullptr;
  CurrentSlot = -1;
  return result == MMSYSERR_NOERROR ? 1 : 0;
}
