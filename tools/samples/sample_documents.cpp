#include "tools/samples/sample_documents.h"

#include <fstream>
#include <iterator>

#include "tools/samples/encrypted_package_writer.h"
#include "tools/samples/package_writer.h"
#include "tools/samples/presentation_writer.h"
#include "tools/samples/word_document_writer.h"
#include "tools/samples/workbook_writer.h"

namespace qv::samples {
namespace {

constexpr char kWorkbookBase[] = "0{00020819-0000-0000-C000-000000000046}";
constexpr char kSheetBase[] = "0{00020820-0000-0000-C000-000000000046}";

VbaModule TestModule() {
  return {"Module1", false,
          "' Quorvane test sample. This macro is harmless: it never runs by itself and, started by\r\n"
          "' hand, only shows a message. The text below lets a scanner show that it finds,\r\n"
          "' quarantines and repairs macros:\r\n"
          "' " + std::string(kTestString) + "\r\n"
          "Public Sub QuorvaneTestSample()\r\n"
          "    MsgBox \"" + std::string(kTestString) + "\" & vbCrLf & \"This harmless test macro only shows this message.\", _\r\n"
          "        vbInformation, \"Quorvane test sample\"\r\n"
          "End Sub\r\n",
          ""};
}

std::vector<VbaModule> WordModules() { return {{"ThisDocument", true, "", "1Normal.ThisDocument"}, TestModule()}; }

std::vector<VbaModule> ExcelModules() {
  return {{"ThisWorkbook", true, "", kWorkbookBase}, {"Sheet1", true, "", kSheetBase}, TestModule()};
}

const std::string kIntroduction = "Quorvane test sample";
const std::string kExplanation =
    "This document holds a harmless test macro, Module1, with the Quorvane test string. A scanner that "
    "uses the Quorvane signature library reports it as Macro.Test.Signature. The macro never runs by itself.";

bool WriteBytes(const std::filesystem::path& path, const Bytes& bytes, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (out.flush()) return true;
  if (error) *error = "cannot write " + path.string();
  return false;
}

Bytes Word97Sample() { return BuildWordDocument({{kIntroduction, kExplanation}, WordModules()}); }

Bytes Excel97VbaSample() {
  Workbook book;
  book.sheets.push_back({"Sheet1", false, false, {{0, 0, kIntroduction}, {1, 0, kExplanation}}, {}, "Sheet1"});
  book.modules = ExcelModules();
  book.workbookCodeName = "ThisWorkbook";
  return BuildWorkbook(book);
}

Bytes Excel97Macro4Sample() {
  Workbook book;
  const std::string note =
      "This workbook has a hidden Excel 4.0 macro sheet, Macro1, whose first formula holds the Quorvane test "
      "string. The macro sheet has no automatic macro and never runs by itself.";
  book.sheets.push_back({"Sheet1", false, false, {{0, 0, kIntroduction}, {1, 0, note}}, {}, ""});
  book.sheets.push_back({"Macro1", true, true, {},
                         {{0, 0, StringFormula(kTestString), kTestString}, {1, 0, ReturnFormula(), ""}}, ""});
  return BuildWorkbook(book);
}

}  // namespace

const std::vector<SampleInfo>& Samples() {
  static const std::vector<SampleInfo> samples = {
      {SampleKind::Word97, "doc", "quorvane-sample.doc", "Word 97 document with a VBA module"},
      {SampleKind::Excel97Vba, "xls", "quorvane-sample.xls", "Excel 97 workbook with a VBA module"},
      {SampleKind::Excel97Macro4, "xls4", "quorvane-sample-xl4.xls", "Excel 97 workbook with a hidden Excel 4.0 macro sheet"},
      {SampleKind::WordPackage, "docm", "quorvane-sample.docm", "macro-enabled Word document with a VBA module"},
      {SampleKind::ExcelPackage, "xlsm", "quorvane-sample.xlsm", "macro-enabled Excel workbook with a VBA module"},
      {SampleKind::Presentation97, "ppt", "quorvane-sample.ppt", "PowerPoint 97 presentation with a VBA module"},
      {SampleKind::EncryptedExcelPackage, "xlsm-enc", "quorvane-sample-encrypted.xlsm",
       "the .xlsm encrypted with Excel's default password VelvetSweatshop"},
  };
  return samples;
}

bool WriteSample(const SampleInfo& sample, const std::filesystem::path& folder, std::string* error) {
  const std::filesystem::path path = folder / sample.fileName;
  switch (sample.kind) {
    case SampleKind::Word97: return WriteBytes(path, Word97Sample(), error);
    case SampleKind::Excel97Vba: return WriteBytes(path, Excel97VbaSample(), error);
    case SampleKind::Excel97Macro4: return WriteBytes(path, Excel97Macro4Sample(), error);
    case SampleKind::WordPackage:
      return WritePackage(path, WordPackageParts(kIntroduction + ". " + kExplanation, BuildProjectPart(WordModules(), "Project")), error);
    case SampleKind::ExcelPackage:
      return WritePackage(path, ExcelPackageParts(kIntroduction + ". " + kExplanation, BuildProjectPart(ExcelModules(), "VBAProject")), error);
    case SampleKind::EncryptedExcelPackage: {
      // The package is written first, then enciphered in place of itself.
      if (!WritePackage(path, ExcelPackageParts(kIntroduction + ". " + kExplanation, BuildProjectPart(ExcelModules(), "VBAProject")), error)) {
        return false;
      }
      std::ifstream in(path, std::ios::binary);
      const Bytes package((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      in.close();
      return WriteBytes(path, BuildEncryptedPackage(package, {}), error);
    }
    case SampleKind::Presentation97:
      return WriteBytes(path, BuildPresentation({BuildProjectPart({TestModule()}, "VBAProject")}), error);
  }
  if (error) *error = "unknown sample";
  return false;
}

}  // namespace qv::samples
