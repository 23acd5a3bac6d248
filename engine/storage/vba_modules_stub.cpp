// Placeholder until VBA source extraction lands.
#include "engine/storage/vba_modules.h"

namespace qv {
void ScanVbaModules(DocFile&, SignatureTables&) {}
}  // namespace qv
