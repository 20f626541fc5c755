// The program's image resources carried inside the program itself, for platforms without
// resources: the build writes the definition from the encoded resources. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes of image resource `resourceId` (res/resource_ids.h), or false when the program
// does not carry it.
bool EmbeddedImage(int resourceId, const uint8_t** data, size_t* size);
