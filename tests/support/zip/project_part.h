// VBA project parts for packages, made with the compound-file and VBA project builders: the
// compound file a package keeps as ".../vbaProject.bin", with the project's streams at its root.
#pragma once

#include <cstdint>
#include <vector>

namespace qv::test {

enum class ProjectPart {
  Clean,               // ordinary module source
  Infected,            // a module carrying the harmless test signature; the repair cannot
                       // clean such a part in place (no document stream), so it is deleted
  InfectedRepairable,  // the same, plus a "PropData" stream (version 0x6902): the repair
                       // wipes and unlinks the "VBA" storage and reports the part repaired
};

std::vector<uint8_t> VbaProjectPart(ProjectPart kind);

}  // namespace qv::test
