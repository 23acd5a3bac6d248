#include "tests/signature_set/corpus.h"

namespace qv::test::sigset {
namespace {

std::vector<uint8_t> Lines(std::string_view text) {
  std::vector<uint8_t> out;
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(static_cast<uint8_t>(c));
  }
  return out;
}

}  // namespace

std::vector<CorpusCase> Joined(std::vector<std::vector<CorpusCase>> parts) {
  std::vector<CorpusCase> all;
  for (std::vector<CorpusCase>& part : parts) {
    for (CorpusCase& c : part) all.push_back(std::move(c));
  }
  return all;
}

std::vector<uint8_t> StandardModule(std::string_view name, std::string_view body) {
  return Lines("Attribute VB_Name = \"" + std::string(name) + "\"\n" + std::string(body));
}

std::vector<uint8_t> DocumentModule(std::string_view name, std::string_view body) {
  const std::string base = name == "ThisDocument" ? "1Normal.ThisDocument" : "0{00020819-0000-0000-C000-000000000046}";
  return Lines("Attribute VB_Name = \"" + std::string(name) + "\"\n" +
               "Attribute VB_Base = \"" + base + "\"\n"
               "Attribute VB_GlobalNameSpace = False\n"
               "Attribute VB_Creatable = False\n"
               "Attribute VB_PredeclaredId = True\n"
               "Attribute VB_Exposed = True\n"
               "Attribute VB_TemplateDerived = False\n"
               "Attribute VB_Customizable = True\n" +
               std::string(body));
}

}  // namespace qv::test::sigset
