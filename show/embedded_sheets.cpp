#include "res/resource_ids.h"
#include "show/embedded_images.h"

bool LoadEmbeddedSheets(SoftSheets& sheets) {
  for (int slot = 0; slot < kSheetCount; ++slot) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!EmbeddedImage(kSheetResources[slot], &data, &size) ||
        !SoftLoadSheet(sheets, slot, data, size)) {
      SoftFreeSheets(sheets);
      return false;
    }
  }
  return true;
}
