#include "tests/support/vlb/vlb_builder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tools/vlb/compiler.h"

#ifndef QUORVANE_SIGNATURES_DIR
#error "QUORVANE_SIGNATURES_DIR must name the signatures/ source folder"
#endif

namespace qv::test {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

[[noreturn]] void ThrowErrors(const std::vector<std::string>& errors) {
  std::string message = "signature source does not compile:";
  for (const std::string& e : errors) message += "\n  " + e;
  throw std::runtime_error(message);
}

}  // namespace

vlbc::LibraryTime FixedLibraryTime() { return vlbc::LibraryTime::FromUnixSeconds(1450828800); }  // 2015-12-23

vlbc::LibrarySource ParseLibrarySource(std::string_view sourceText) {
  std::vector<std::string> errors;
  vlbc::LibrarySource source = vlbc::ParseSources({{"test.vls", std::string(sourceText)}}, errors);
  if (!errors.empty()) ThrowErrors(errors);
  return source;
}

std::vector<uint8_t> BuildLibrary(std::string_view sourceText) {
  return vlbc::BuildLibraryImage(ParseLibrarySource(sourceText), FixedLibraryTime());
}

std::vector<uint8_t> BuildLibraryBody(std::string_view sourceText) {
  return vlbc::BuildLibraryBody(ParseLibrarySource(sourceText), FixedLibraryTime());
}

std::vector<uint8_t> BuildShippedLibrary() {
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::directory_iterator(QUORVANE_SIGNATURES_DIR)) {
    if (entry.path().extension() == ".vls") paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<vlbc::SourceFile> files;
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    files.push_back({path.string(), std::string(std::istreambuf_iterator<char>(in), {})});
  }
  vlbc::CompileResult result = vlbc::CompileSources(files, FixedLibraryTime());
  if (!result.Ok()) ThrowErrors(result.errors);
  return result.image;
}

RawBodyWriter& RawBodyWriter::Pattern(uint32_t id, uint32_t flags, std::string_view text, std::string_view note) {
  vlbc::AppendPatternRecord(patterns_, id, flags, Bytes(text), Bytes(note));
  ++patternCount_;
  return *this;
}

RawBodyWriter& RawBodyWriter::Rule(uint32_t id, uint32_t flags, std::string_view name,
                                   const std::vector<uint8_t>& expression) {
  vlbc::AppendRuleRecord(rules_, id, flags, Bytes(name), expression);
  ++ruleCount_;
  return *this;
}

std::vector<uint8_t> RawBodyWriter::Body() const {
  return vlbc::AssembleBody(patterns_, patternCount_, rules_, ruleCount_, FixedLibraryTime());
}

std::vector<uint8_t> RawBodyWriter::Image() const { return vlbc::WrapBody(Body(), FixedLibraryTime()); }

bool WriteLibraryBeside(const std::string& folder, const std::vector<uint8_t>& image) {
  std::ofstream out(std::filesystem::path(folder) / "qzmacro.vlb", std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace qv::test
