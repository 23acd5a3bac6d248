// The corpora the shipped signature set is judged on. Module texts are what the module pass
// hands the matcher: the decompressed source, "Attribute VB_Name" first, lines ending in CR LF.
// Sheet buffers are what the hidden-sheet pass hands it: parsed formula bytes.
//
// Positive cases are harmless, non-functional fragments: the characteristic names, strings and
// calls of a family or a behaviour, never working code. Benign cases are ordinary business
// macros, many of them close to a rule on purpose (an automatic macro that only builds a
// toolbar, a workbook that downloads exchange rates, a letter to someone called Melissa).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test::sigset {

struct CorpusCase {
  std::string name;                   // for messages
  std::vector<uint8_t> text;          // what the matcher is given
  std::vector<std::string> expected = {};  // rule names it must report, in report order; empty: none
};

// A standard module: "Attribute VB_Name" and the body, '\n' turned into CR LF.
std::vector<uint8_t> StandardModule(std::string_view name, std::string_view body);
// A document module (ThisDocument, ThisWorkbook, Sheet1) with the attributes the editor writes.
std::vector<uint8_t> DocumentModule(std::string_view name, std::string_view body);

// The cases of every part, in order.
std::vector<CorpusCase> Joined(std::vector<std::vector<CorpusCase>> parts);

std::vector<CorpusCase> PositiveModules();  // the families and the behaviours
std::vector<CorpusCase> FamilyModules();
std::vector<CorpusCase> BenignModules();    // the ordinary macros and the ones near the rules
std::vector<CorpusCase> BenignNearRules();
std::vector<CorpusCase> PositiveSheets();
std::vector<CorpusCase> BenignSheets();

}  // namespace qv::test::sigset
