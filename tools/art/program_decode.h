// The encoder's tests read what they encode back through the program's own decoder
// (gfx/image_decode), so that the encoder and the program cannot drift apart unnoticed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The pixels the program decodes from `stream` when it is the pixel stream of a one-row picture
// wide enough for `count` pixels; nothing when the program refuses it.
std::optional<std::vector<uint8_t>> ProgramDecodeStream(const std::vector<uint8_t>& stream,
                                                        size_t count);
// The picture the program decodes from a whole resource, rows top to bottom; nothing when it
// refuses the resource or the stream does not fill every row.
std::optional<std::vector<uint8_t>> ProgramDecodeResource(const std::vector<uint8_t>& resource);
