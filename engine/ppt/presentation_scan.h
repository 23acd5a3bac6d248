// PowerPoint 97-2003 presentations keep their VBA project as a compound file of its own,
// deflated inside an ExOleObjStg record of the "PowerPoint Document" stream. The project pass
// inflates each such project into memory and runs the module pass on it; a repair zeroes
// the project's VBA streams, deflates it again and writes it back into the same record.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace qv {

struct DocFile;
struct WorkArea;
struct SignatureTables;

// One project held in memory, linked from the DocFile that scans it (DocFile::embeddedProject).
struct EmbeddedProject {
  std::vector<uint8_t> image;  // the project's compound file: the DocFile's memory image
  bool complete = false;       // the whole project, as the document holds it
  // Puts the cleaned image back where it came from in the document on disk, nothing moved;
  // true when written. Empty when the project cannot be written back.
  std::function<bool(WorkArea& area, const std::vector<uint8_t>& image)> writeBack;
};

// Runs the module pass over every VBA project embedded in the presentation open in
// `area`. The work area's DocFile is the presentation before and after the call. Does not
// return when a report abandons the document (DocumentAbandoned).
void ScanPresentationProjects(WorkArea& area, SignatureTables& tables);

// Runs the module pass over a project held in memory (the image of `project`) on behalf of
// the document open in `area`: reports name that document. With `requireVba`, an image
// without a "VBA" storage is left alone. Does not return when a report abandons the document.
void ScanEmbeddedProject(WorkArea& area, SignatureTables& tables, EmbeddedProject& project, bool requireVba);

// The repair of a detection inside an embedded project: its VBA streams are zeroed in the
// image, which is then written back. Repaired when that worked, else RepairFailed (also for a
// project that cannot be written back).
int RepairEmbeddedProject(DocFile& doc);

}  // namespace qv
