#include "tools/vlb/compiler.h"

#include <cstdio>

#include "engine/common/byte_reader.h"
#include "engine/signature/library_format.h"
#include "engine/signature/signature_library.h"
#include "tools/vlb/formula.h"
#include "tools/vlb/source_lexer.h"

namespace qv::vlbc {
namespace {

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", v);
  return text;
}

std::string PatternLine(const PatternRecord& p) {
  std::string line = "pattern " + Hex(p.id) + " " + EncodeText(p.pattern);
  const uint32_t known = vlb::kPatternFlagPresent | vlb::kPatternFlagCase | vlb::kPatternFlagUtf16;
  if ((p.flags & vlb::kPatternFlagPresent) != 0 && (p.flags & ~known) == 0) {
    if (p.flags & vlb::kPatternFlagCase) line += " case";
    if (p.flags & vlb::kPatternFlagUtf16) line += " utf16";
  } else {
    line += " flags=" + Hex(p.flags);
  }
  if (!p.note.empty()) line += " note " + EncodeText(p.note);
  return line;
}

std::string RuleLine(const RuleRecord& r, const FormulaScope& scope) {
  const std::vector<uint8_t> name(r.name.begin(), r.name.end());
  std::string line = "rule " + Hex(r.id) + " " + EncodeText(name);
  if (r.flags == 0) {
    line += " disabled";
  } else if (r.flags != vlb::kRuleFlagEnabled) {
    line += " flags=" + Hex(r.flags);
  }
  const std::optional<std::string> formula = DecompileFormula(r.expression, scope);
  return line + " = " + (formula ? *formula : "hex " + HexExpression(r.expression));
}

}  // namespace

CompileResult CompileSources(const std::vector<SourceFile>& files, const LibraryTime& time) {
  CompileResult result;
  const LibrarySource source = ParseSources(files, result.errors);
  if (result.Ok()) result.image = BuildLibraryImage(source, time);
  return result;
}

std::optional<std::string> DumpLibrary(const uint8_t* image, size_t length, std::string* error) {
  const std::vector<uint8_t> body = DecipherLibraryBody(image, length);
  const std::unique_ptr<SignatureLibrary> library = ParseSignatureBody(body.data(), body.size());
  if (!library) {
    if (error) *error = "not a usable signature library (wrong key, damaged, or bad checksums)";
    return std::nullopt;
  }
  const FormulaScope scope{[&](uint32_t id) { return library->FindPattern(id) >= 0; },
                           [&](uint32_t id) { return library->FindRule(id) >= 0; }};
  const uint64_t built = LoadU32(library->header.data() + vlb::kBuildTimeOffset) |
                         (uint64_t{LoadU32(library->header.data() + vlb::kBuildTimeOffset + 4)} << 32);
  std::string out = "# Signature library: " + std::to_string(library->patterns.size()) + " patterns, " +
                    std::to_string(library->rules.size()) + " rules, built " +
                    std::to_string(static_cast<int64_t>(built / 10000000ull) - 11644473600) + " (Unix seconds)\n\n";
  for (const PatternRecord& p : library->patterns) out += PatternLine(p) + "\n";
  if (!library->patterns.empty() && !library->rules.empty()) out += "\n";
  for (const RuleRecord& r : library->rules) out += RuleLine(r, scope) + "\n";
  return out;
}

}  // namespace qv::vlbc
