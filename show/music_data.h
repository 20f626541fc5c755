// The background music carried inside the native program, and finding its samples. Platform-
// free.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes of the music file MUSIC_FILE_NAME (id 0) that the build embeds; false when the program
// does not carry it.
bool EmbeddedMusic(int id, const uint8_t** data, size_t* size);

// The samples of a RIFF WAVE file: the bytes of its "data" chunk, found among the chunks of the
// RIFF chunk of form type "WAVE". false for another form type, no "data" chunk, an empty one,
// or one that runs past the end of the file.
bool FindWaveData(const uint8_t* file, size_t size, const uint8_t** samples, size_t* length);
