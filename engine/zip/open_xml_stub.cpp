// Placeholder until Open XML support lands: nothing is a package.
#include "engine/zip/open_xml.h"

namespace qv {
ExtractedProject ExtractVbaProject(const std::u16string&) { return {}; }
bool RebuildVbaPackage(WorkArea&, const std::u16string&, const ExtractedProject&) { return false; }
void RemoveExtractedProject(const ExtractedProject&) {}
}  // namespace qv
