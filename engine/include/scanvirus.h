/* The scan engine's C interface: two exports.
 *
 * SCanFileVirus examines one file, folder or wildcard pattern, backs up and repairs (or
 * deletes) what is infected and answers the name of the last virus reported in `text`
 * (a caller-owned buffer of 260 UTF-16 units). mode: only the low 8 bits count; nonzero
 * repairs, zero only reports. Result: 1 when the call ran, 0 otherwise.
 *
 * ReVirFile unscrambles a quarantine copy (".vir") into destPath. Result: 1 restored, 0 failed.
 */
#ifndef QUORVANE_SCANVIRUS_H
#define QUORVANE_SCANVIRUS_H

#ifdef _WIN32
#include <wchar.h>
#define SCANVIRUS_CALL __stdcall
#define SCANVIRUS_EXPORT /* exported by ordinal through the module definition */
typedef wchar_t sv_char16;
#else
#include <uchar.h>
#define SCANVIRUS_CALL
#define SCANVIRUS_EXPORT __attribute__((visibility("default")))
typedef char16_t sv_char16;
#endif

#ifdef __cplusplus
extern "C" {
#endif

SCANVIRUS_EXPORT int SCANVIRUS_CALL SCanFileVirus(const sv_char16* path, int mode, sv_char16* text);
SCANVIRUS_EXPORT int SCANVIRUS_CALL ReVirFile(const sv_char16* virPath, const sv_char16* destPath);

#ifdef __cplusplus
}
#endif

#endif
