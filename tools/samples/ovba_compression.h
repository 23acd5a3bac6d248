// The VBA compressed container ([MS-OVBA] 2.4.1): a signature byte, then chunks of at most
// 4,096 text bytes, each compressed with copy tokens that point back into the chunk, or stored
// raw when compression would not make it smaller.
#pragma once

#include <string_view>

#include "tools/samples/byte_sink.h"

namespace qv::samples {

Bytes CompressContainer(std::string_view text);

}  // namespace qv::samples
