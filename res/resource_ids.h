/* The numbers of the program's resources, read by the resource script (res/saver.rc.in), the
   program, its tests and the build, which names the pictures by them. Plain definitions, so
   that the resource compiler and CMake (cmake/resource_ids.cmake) read them too.
   Platform-free. */
#ifndef RES_RESOURCE_IDS_H
#define RES_RESOURCE_IDS_H

#define RESOURCE_SKIN 106   /* the settings window's skin */
#define RESOURCE_SHEET0 114 /* sprite sheet 0; its colour table is the saver's palette */
#define RESOURCE_SHEET1 117 /* sprite sheet 1 */
#define RESOURCE_SHEET2 116 /* sprite sheet 2 */

#ifndef RC_INVOKED
// The sprite sheets' resources in sheet order (the order of the cast tables and the slots).
constexpr int kSheetResources[] = {RESOURCE_SHEET0, RESOURCE_SHEET1, RESOURCE_SHEET2};
constexpr int kPaletteResource = RESOURCE_SHEET0;
constexpr int kSkinResource = RESOURCE_SKIN;
#endif

#endif
