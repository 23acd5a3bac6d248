// Writes the seed corpus of fuzz_workbook: small "Workbook" streams built with the BIFF8
// workbook builder, one per shape the workbook code cares about.
// Beside every seed go its damaged kin (fuzz/corpus_damage.h).
#include "fuzz/corpus_damage.h"
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/biff/record_chain.h"

using namespace qv::test::biff;
using namespace qv::writers::biff;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
  qv::fuzzseed::WriteWithDamage(folder, name, bytes, 1);
}

Sheet Hidden(std::u16string name, std::vector<Bytes> records, bool wide = false) {
  return Sheet{.name = std::move(name), .wideName = wide, .hsState = kHidden, .dt = kMacroSheet,
               .records = std::move(records), .substreamType = std::nullopt, .position = std::nullopt};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const Bytes halt = StringToken("=HALT()");

  Workbook project;
  project.beforeSheets = {CodeName("ThisWorkbook"), ObProj()};
  project.sheets = {Sheet{.name = u"Sheet1", .wideName = false, .hsState = kVisible, .dt = kWorksheet,
                          .records = {Number(0, 0, 1.0), Window2()}, .substreamType = std::nullopt,
                          .position = std::nullopt},
                    Hidden(u"Sheet1", {Formula(halt), Window2()})};
  project.afterSheets = {BuiltinName(0x01), BuiltinName(0x0A), BuiltinName(0x0B), BuiltinName(0x06)};
  Write(folder, "project", BuildWorkbook(project).stream);

  Workbook twins;
  twins.sheets = {Hidden(u"Macro12", {Formula(halt), Number(1, 1, 2.0), Formula(StringToken("=RUN()"))}),
                  Hidden(u"Macro1", {Formula(halt)}, /*wide=*/true)};
  twins.afterSheets = {BuiltinName(0x02), BuiltinName(0, 1, 2, /*builtin=*/false)};
  Write(folder, "two_hidden_sheets", BuildWorkbook(twins).stream);

  Workbook encrypted = twins;
  encrypted.beforeSheets = {FilePass()};
  Write(folder, "encrypted", BuildWorkbook(encrypted).stream);

  Workbook gaps;
  std::vector<Bytes> records = {Formula(halt)};
  for (uint16_t row = 0; row < 20; ++row) records.push_back(Number(row, 2, row));
  records.push_back(Formula(StringToken("=ECHO(FALSE)")));
  gaps.sheets = {Hidden(u"Auto", records)};
  Write(folder, "formulas_and_cells", BuildWorkbook(gaps).stream);
  return 0;
}
