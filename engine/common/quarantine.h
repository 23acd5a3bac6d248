// The quarantine store: scrambled copies of documents in "RepairBrack" (beside a portable
// program, else in the user's data folder; see quarantine_location.h).
// A copy is the document's bytes, each XOR 0x9D; nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

struct WorkArea;

// The quarantine folder of this process when the caller names none (with the trailing
// separator): <program folder>/RepairBrack/ for a portable program folder, else
// <user data folder>/quorvane/RepairBrack/.
std::u16string QuarantineFolder();

// Scrambles or unscrambles bytes in place (the transform is its own inverse).
void ScrambleBytes(uint8_t* bytes, size_t length);

// The whole content of a non-empty regular file, when it reads whole; nullopt otherwise.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::u16string& path);

// Where a copy comes from, for the quarantine index (quarantine_index.h).
struct CopyOrigin {
  std::u16string path;  // the document's full path
  std::string rule;     // the rule that fired; empty for a start-up file
};

// Writes a quarantine copy of `bytes` (plain document bytes) for the document at
// `origin.path` into `quarantineDir`. The first free name of "Name.ext.vir", "Name(2).ext.vir",
// "Name(3).ext.vir" … is used; an existing copy with the same content is reused without
// writing. A new copy gets its line in the quarantine index. Answers the full path of the
// copy, or nullopt when none could be written.
std::optional<std::u16string> StoreQuarantineCopy(const std::u16string& quarantineDir, const CopyOrigin& origin,
                                                  std::vector<uint8_t> bytes);

// Writes the quarantine copy of the document open in the work area, named after the file
// name in `path`. Repeated calls for one document within one call keep the first copy.
// `rule` is what fired (for the index; empty for a swept start-up file).
bool BackupToQuarantine(WorkArea& area, const std::u16string& path, const std::string& rule);

// Copies any file on disk into the quarantine (used for a whole package before it is
// replaced). Answers the path of the copy.
std::optional<std::u16string> QuarantineWholeFile(const std::u16string& quarantineDir,
                                                  const std::u16string& path, const std::string& rule = {});

// ReVirFile: unscrambles a quarantine copy into destPath, replacing what is there.
// 1 = restored, 0 = failed.
int RestoreQuarantineCopy(const std::u16string& virPath, const std::u16string& destPath);

enum class RestoreResult { Restored, DestinationExists, Failed };
// The restore itself: the bytes go into a new file beside the destination, which is flushed
// and then renamed over the destination, so on any failure the destination is exactly as it
// was, and a link at the destination is replaced, never written through. Without `replace`
// an existing name (a file, a link) is left alone and answered with DestinationExists.
// A replaced file's access is kept.
RestoreResult RestoreQuarantineCopyAs(const std::u16string& virPath, const std::u16string& destPath, bool replace);


// The extension of every quarantine copy, and what a restored file that lacks it is given
// instead, so that a restore never takes the very name of the file it reads.
inline constexpr char16_t kQuarantineExtension[] = u".vir";
inline constexpr char16_t kRestoredSuffix[] = u".restored";

// The name a quarantine copy restores to: the file name without a trailing ".vir" (any letter
// case: "Report.doc.VIR" gives "Report.doc"); a name that does not end in ".vir", or is
// nothing but ".vir", keeps its name with ".restored" added.
std::u16string OriginalNameOf(const std::u16string& virFileName);

}  // namespace qv
