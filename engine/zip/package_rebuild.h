// Rebuilding a package around a processed VBA project file, without ever risking the document.
#pragma once

#include <atomic>
#include <string>

#include "engine/zip/open_xml.h"

namespace qv::zip {

enum class RebuildOutcome {
  Replaced,     // the rebuilt package now stands in the document's place
  NothingToDo,  // the project file is as it was extracted: the document is left alone
  Abandoned,    // something failed: the document is unchanged and no rebuilt file remains
};

// Steps, in order:
// 1. find the project entry again and compare it with the project file; an unchanged file
//    ends here;
// 2. create the rebuilt package beside the document ("Report.docm.bin", or "Report.docm(2).bin"
//    … when that name is taken), exclusively, so that no existing file or link is overwritten;
// 3. copy every entry in archive order, streamed and checked, except the ones whose names
//    contain the project entry's name; then add the project file last, unless the walk
//    deleted it. Names ending in an already-compressed extension are stored, all others
//    deflated at level 8;
// 4. finish the package, flush it to disk and read it back completely;
// 5. keep a quarantine copy of the whole original document in `quarantineDir`;
// 6. rename the rebuilt package over the document in one step.
// Any failure removes the rebuilt file and leaves the document as it was.
// A set `stop` abandons the rebuild before the next entry is begun.
RebuildOutcome RebuildPackage(const std::u16string& quarantineDir, const std::u16string& documentPath,
                              const ExtractedProject& project, const std::atomic<bool>* stop = nullptr);

}  // namespace qv::zip
