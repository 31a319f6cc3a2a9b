/* The file beside a module or program: the folder of the module's own path
 * joined with a file name. The plug-in finds its settings file this way, the
 * tools and the test kit the plug-in and that file. Joining paths is pure
 * logic, the same code in the module, the tools, the native tests and the
 * fuzz targets; only a running module's own path is asked of the platform.
 * Plain C declarations, so that the test kit's C host calls them too; the
 * results are result codes (common/result_codes.h). */
#ifndef ARDUN_COMMON_PATH_BESIDE_H
#define ARDUN_COMMON_PATH_BESIDE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
#endif

/* MAX_PATH, terminator included: the most any of these paths holds. */
#define PATH_BESIDE_CAPACITY ((size_t)260)

#ifdef __cplusplus
extern "C" {
#endif

/* Length of the directory part of a path of the given length: everything up
 * to and including the last '\' or '/' at position 1 or later. Position 0 is
 * never examined, so a path without such a separator keeps its first
 * character alone. An empty path has an empty directory part. */
size_t DirectoryPartLength(const char* path, size_t length);

/* Writes the directory part of modulePath joined with fileName into path
 * (PATH_BESIDE_CAPACITY characters; it may be modulePath itself).
 * RESULT_INSUFFICIENT_BUFFER when the whole name does not fit: a shortened
 * name could be some other file in that folder, so path is then left empty
 * and the caller must open nothing. E_INVALIDARG, with path untouched, when
 * modulePath is not terminated within PATH_BESIDE_CAPACITY characters. */
int32_t PathBeside(const char* modulePath, const char* fileName, char* path);

#if defined(_WIN32)
/* The same beside the file of a loaded module (null: the running program).
 * Fails, and leaves path untouched, when the module's own path cannot be had
 * whole: a cut or missing path would name some other file. */
int32_t PathBesideModule(HMODULE module, const char* fileName, char* path);
#endif

#ifdef __cplusplus
}
#endif

#endif
