#include "engine/common/quarantine_location.h"

#include "engine/platform/platform.h"

namespace qv {

std::u16string ChooseQuarantineFolder(const QuarantineSiteFacts& facts) {
  const std::u16string beside = facts.programFolder + kQuarantineFolderName + platform::kSep;
  const bool portable = facts.besideProgramWritable && !facts.installedLayout;
  if (portable || facts.userDataFolder.empty()) return beside;
  return facts.userDataFolder + kUserDataSubfolder + platform::kSep + kQuarantineFolderName + platform::kSep;
}

bool IsBesideProgram(const std::u16string& quarantineFolder, const std::u16string& programFolder) {
  return quarantineFolder == programFolder + kQuarantineFolderName + platform::kSep;
}

QuarantineSiteFacts CurrentQuarantineSiteFacts() {
  QuarantineSiteFacts facts;
  facts.programFolder = platform::ProgramFolder();
  const std::u16string beside = facts.programFolder + kQuarantineFolderName;
  // An existing, writable RepairBrack counts even when the program folder itself is locked
  // (an administrator prepared a portable folder that way). The usual case, an existing
  // writable one, is answered by its first check.
  facts.besideProgramWritable =
      platform::CanCreateFilesIn(beside) ||
      (platform::GetPathKind(beside) != platform::PathKind::Folder && platform::CanCreateFilesIn(facts.programFolder));
  facts.installedLayout =
      platform::GetPathKind(facts.programFolder + kInstalledLayoutMarker) == platform::PathKind::File;
  facts.userDataFolder = platform::UserDataFolder();
  return facts;
}

std::u16string NormalizedQuarantineFolder(const std::u16string& folder) {
  if (folder.empty()) return {};
  std::u16string full = platform::FullPath(folder);
  if (full.empty()) return {};
  while (full.size() > 1 && full.back() == platform::kSep) full.pop_back();
  if (full.back() != platform::kSep) full.push_back(platform::kSep);
  return full;
}

}  // namespace qv
