// Test support: module streams with a false performance cache in front of the source, so that
// the search for the source cannot take the cache's look-alikes for it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "writers/ovba/module_stream.h"

namespace qv::test::ovba {

// The writers' VBA pieces answer here too, beside the test-only ones below.
using namespace qv::writers::ovba;
using writers::ovba::BuildModuleStream;

// Bytes standing where a performance cache lies. They begin with 0x01 like a real cache and
// hold false candidates (a 0x01 byte followed by a compressed-chunk header): one whose chunk
// runs past the stream, one that starts with a copy token, one that decodes cleanly to text
// that is not module source, and overlapping ones.
std::vector<uint8_t> FakePerformanceCache();

// The module stream with FakePerformanceCache() in front of the compressed source.
writers::ovba::ModuleStream BuildModuleStream(std::string_view source);

}  // namespace qv::test::ovba
