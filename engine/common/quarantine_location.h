// Where the quarantine folder "RepairBrack" lives.
//
// A portable program folder (a build folder, an unpacked copy) keeps it beside the programs.
// A system-wide install cannot: the users cannot write there, and two users must not share
// one quarantine. There each user gets their own, in their data folder. Scripts and servers
// may name any folder instead (quorvane-scan --quarantine).
#pragma once

#include <string>

namespace qv {

// The quarantine folder's own name.
inline constexpr char16_t kQuarantineFolderName[] = u"RepairBrack";
// The folder below the user's data folder that holds the per-user quarantine.
inline constexpr char16_t kUserDataSubfolder[] = u"quorvane";
// A file the install step puts beside the installed programs: the program folder is shared
// by every user and is never a quarantine, not even for an administrator who could write it.
inline constexpr char16_t kInstalledLayoutMarker[] = u"installed-layout";

// What the choice depends on; gathered from the platform by QuarantineFolder().
struct QuarantineSiteFacts {
  std::u16string programFolder;   // with the trailing separator
  bool besideProgramWritable = false;  // RepairBrack beside the program can be made or written
  bool installedLayout = false;   // the install marker lies in the program folder
  std::u16string userDataFolder;  // with the trailing separator; empty when there is none
};

// The quarantine folder for these facts, with the trailing separator: beside the program
// when that is writable and not an installed layout, or when there is no per-user folder to
// go to; otherwise <user data>/quorvane/RepairBrack/.
std::u16string ChooseQuarantineFolder(const QuarantineSiteFacts& facts);

// True when the folder is the one beside the program (made and used as it always was);
// false for a per-user or named folder (made with its parents, private to the user).
bool IsBesideProgram(const std::u16string& quarantineFolder, const std::u16string& programFolder);

// The facts of this process (program folder, its permissions, the user's data folder).
QuarantineSiteFacts CurrentQuarantineSiteFacts();

// A folder named by a caller, as the engine keeps it: absolute, one trailing separator.
// Empty when the name is empty or cannot be made absolute.
std::u16string NormalizedQuarantineFolder(const std::u16string& folder);

}  // namespace qv
