// The file names of the committed sprite sheet pictures, named by their resource numbers.
#pragma once

#include <string>

#include "res/resource_ids.h"

// "sheet114.png" for sheet 0, and so on.
inline std::string SheetPictureName(int sheet) {
  return "sheet" + std::to_string(kSheetResources[sheet]) + ".png";
}
