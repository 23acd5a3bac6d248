// The signature compiler and dumper as a library: the vlbc program and the test support
// both use these, so that tests build libraries exactly as signature authors do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/vlb/library_writer.h"
#include "tools/vlb/source_parser.h"

namespace qv::vlbc {

struct CompileResult {
  std::vector<uint8_t> image;        // the library file; empty when there are errors
  std::vector<std::string> errors;   // "file:line: error: ..."
  bool Ok() const { return errors.empty(); }
};

// Parses the sources and, when they hold no error, builds the library file image.
CompileResult CompileSources(const std::vector<SourceFile>& files, const LibraryTime& time);

// Deciphers and parses a library file with the engine's own parser and prints it in the
// source format; compiling that text gives the same file apart from the time fields.
// nullopt (and `error` set) when the library is unusable.
std::optional<std::string> DumpLibrary(const uint8_t* image, size_t length, std::string* error);

}  // namespace qv::vlbc
