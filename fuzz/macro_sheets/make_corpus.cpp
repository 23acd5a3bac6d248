// Writes the seed corpus of fuzz_macro_sheets: the workbook, relationship and macro sheet parts
// of .xlsm and .xlsb workbooks made with the sample maker's writer.
// Beside every seed go its damaged kin (fuzz/corpus_damage.h).
#include "fuzz/corpus_damage.h"
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "writers/zip/macro_sheet_writer.h"

using namespace qv::writers;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  Bytes str = {0x17, 0x03, 0x00, 'c', 0, 'm', 0, 'd', 0, 0x42, 0x01, 0x6E, 0x00};
  for (const bool binary : {false, true}) {
    MacroSheetBook book;
    book.binary = binary;
    book.sheets.push_back({"Sheet1", false, SheetVisibility::Visible, "Figures", {}, {}});
    book.sheets.push_back({"Macro1", true, SheetVisibility::VeryHidden, "", {"EXEC(\"cmd /c dir\")", "HALT()"}, {str}});
    book.sheets.push_back({"Macro 2", true, SheetVisibility::Hidden, "", {"RETURN()"}, {{0x19, 0x40, 0, 0}}});
    book.autoOpenSheet = 1;
    const std::string prefix = binary ? "xlsb_" : "xlsm_";
    int n = 0;
    for (const auto& part : MacroSheetBookParts(book)) {
      qv::fuzzseed::WriteWithDamage(folder, prefix + std::to_string(n++), part.data, 1);
    }
  }
  return 0;
}
