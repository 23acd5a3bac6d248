// Which package entries the engine cares about. Entry names are the raw UTF-8 bytes stored in
// the archive; every rule compares bytes, which for UTF-8 is the same as comparing characters.
#pragma once

#include <string>
#include <string_view>

namespace qv::zip {

// The file name of a VBA project part.
inline constexpr std::string_view kProjectPartName = "vbaProject.bin";

// A project entry lies in a folder and its last path component is "vbaProject.bin", letters
// compared without regard to case ("WORD/VBAPROJECT.BIN" is one: an office program would
// load it). "vbaProject.bin" at the archive root is not one.
bool IsProjectEntryName(std::string_view name);

// Entries whose names end in one of the already-compressed extensions (.Z .zip .zoo .arc .lzh
// .arj .gz .tgz, letters without regard to case) are stored; all others are deflated.
bool IsStoredByExtension(std::string_view name);

// A rebuilt package leaves out every entry whose name contains the project entry's name
// (letter case counts): the project entry itself, and leftovers such as "word/vbaProject.bin.bak".
bool IsLeftOutOfRebuild(std::string_view name, std::string_view projectEntryName);

// True when some byte of the name is outside ASCII: such names are marked as UTF-8.
bool HasNonAsciiBytes(std::string_view name);

}  // namespace qv::zip
