// The pieces of the quarantine restore flow that do not need a window.
#pragma once

#include <string>

namespace qv::gui {

inline constexpr char16_t kOpenQuarantineTitle[] = u"请选择RepairBrack目录需要恢复的文件";
inline constexpr char16_t kQuarantineFilter[] = u"隔离文件 (*.vir)";
inline constexpr char16_t kSaveAnyFilter[] = u"*.* (*)";  // every file, shown as "*.*"

// The last path component (after the last '/' or '\').
std::u16string FileNameOf(const std::u16string& path);
// The name a restored file is proposed under: the engine's restore name (report.doc.vir ->
// report.doc; a file picked without ".vir", NAME -> NAME.restored), the same the command line
// restores into a folder under.
std::u16string ProposedRestoreName(const std::u16string& quarantinedName);
// "请选择%s保存位置" with the quarantined name, bounded to 1023 units like its buffer.
std::u16string SaveDialogTitle(const std::u16string& quarantinedName);
// The quarantine folder beside the program, without a trailing separator.
std::u16string QuarantineFolderPath();

}  // namespace qv::gui
