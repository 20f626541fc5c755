/* The names of the saver's data files and folders, read by the program, its tests, the build
   (cmake/data_files.cmake) and, through the build, the setup programs. Plain definitions, so
   that CMake reads them too. Platform-free. */
#ifndef RES_DATA_FILES_H
#define RES_DATA_FILES_H

#define MUSIC_FILE_NAME "BGM04.SSS"      /* the background music, in the data folder */
#define MARKER_FILE_NAME "QAVSSV3C.SSS"  /* beside the saver: its data folder is LOCAL_DATA_FOLDER */
#define LOCAL_DATA_FOLDER "QV3"          /* the data folder beside a saver with the marker */
#define DEFAULT_DATA_FOLDER "QavSaver3"  /* the data folder at the root of the Windows drive */

#endif
