#include "tools/samples/sample_documents.h"

#include <exception>
#include <fstream>
#include <iterator>

#include "engine/crypto/crypto_primitives.h"
#include "writers/crypto/encrypted_package_writer.h"
#include "writers/zip/package_writer.h"
#include "writers/ppt/presentation_writer.h"
#include "writers/zip/macro_sheet_writer.h"
#include "writers/word/word6_writer.h"
#include "writers/word/word97_writer.h"
#include "writers/biff/workbook_writer.h"

namespace qv::samples {
namespace {

using namespace qv::writers;
using ovba::CodeModule;
using ovba::DocumentModule;
using ovba::ModuleSpec;

constexpr char kWorkbookBase[] = "0{00020819-0000-0000-C000-000000000046}";
constexpr char kSheetBase[] = "0{00020820-0000-0000-C000-000000000046}";

ModuleSpec TestModule() {
  return CodeModule("Module1",
          "' Quorvane test sample. This macro is harmless: it never runs by itself and, started by\r\n"
          "' hand, only shows a message. The text below lets a scanner show that it finds,\r\n"
          "' quarantines and repairs macros:\r\n"
          "' " + std::string(kTestString) + "\r\n"
          "Public Sub QuorvaneTestSample()\r\n"
          "    MsgBox \"" + std::string(kTestString) + "\" & vbCrLf & \"This harmless test macro only shows this message.\", _\r\n"
          "        vbInformation, \"Quorvane test sample\"\r\n"
          "End Sub\r\n");
}

std::vector<ModuleSpec> WordModules() { return {DocumentModule("ThisDocument", "1Normal.ThisDocument"), TestModule()}; }

std::vector<ModuleSpec> ExcelModules() {
  return {DocumentModule("ThisWorkbook", kWorkbookBase), DocumentModule("Sheet1", kSheetBase), TestModule()};
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
  WorkbookDocument book;
  book.sheets.push_back({"Sheet1", false, false, {{0, 0, kIntroduction}, {1, 0, kExplanation}}, {}, "Sheet1"});
  book.modules = ExcelModules();
  book.workbookCodeName = "ThisWorkbook";
  return BuildWorkbookDocument(book);
}

Bytes Excel97Macro4Sample() {
  WorkbookDocument book;
  const std::string note =
      "This workbook has a hidden Excel 4.0 macro sheet, Macro1, whose first formula holds the Quorvane test "
      "string. The macro sheet has no automatic macro and never runs by itself.";
  book.sheets.push_back({"Sheet1", false, false, {{0, 0, kIntroduction}, {1, 0, note}}, {}, ""});
  book.sheets.push_back({"Macro1", true, true, {},
                         {{0, 0, StringFormula(kTestString), kTestString}, {1, 0, ReturnFormula(), ""}}, ""});
  return BuildWorkbookDocument(book);
}

// A Word 6.0 document whose one WordBasic macro holds the test string in a remark. The
// macro is no working WordBasic: Word would not run it, it is only there to be found.
Bytes Word6Sample() {
  Word6Document doc;
  doc.text = "Quorvane test sample. This Word 6.0 document holds a harmless WordBasic macro, QuorvaneTestSample, "
             "with the Quorvane test string. A scanner that uses the Quorvane signature library reports it as "
             "Macro.Test.Signature.";
  const std::string remark = std::string("REM ") + kTestString + " - harmless test macro";
  doc.macros = {{"QuorvaneTestSample", 0, Bytes(remark.begin(), remark.end())}};
  return BuildWord6Document(doc);
}

// An .xlsm whose very hidden Excel 4.0 macro sheet holds the test string in its first
// formula. No Auto_Open name: the sheet never runs by itself.
std::vector<PackagePart> ExcelPackageMacro4Sample() {
  MacroSheetBook book;
  book.sheets.push_back({"Sheet1", false, SheetVisibility::Visible,
                         "Quorvane test sample: a hidden Excel 4.0 macro sheet, Macro1, holds the Quorvane test string.",
                         {}, {}});
  book.sheets.push_back({"Macro1", true, SheetVisibility::VeryHidden, "",
                         {std::string("\"") + kTestString + "\"", "RETURN()"}, {}});
  return MacroSheetBookParts(book);
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
      {SampleKind::Word6, "doc6", "quorvane-sample-word6.doc", "Word 6.0 document with a WordBasic macro"},
      {SampleKind::ExcelPackageMacro4, "xlsm4", "quorvane-sample-xl4.xlsm", "macro-enabled Excel workbook with a hidden Excel 4.0 macro sheet"},
  };
  // A build without a crypto library can neither encipher the encrypted sample nor read it.
  static const std::vector<SampleInfo> buildable = [] {
    std::vector<SampleInfo> kept;
    for (const SampleInfo& sample : samples) {
      if (sample.kind != SampleKind::EncryptedExcelPackage || crypto::Available()) kept.push_back(sample);
    }
    return kept;
  }();
  return buildable;
}

namespace {

// Writes a package; false (and `error` set) when the file cannot be written.
bool WriteParts(const std::filesystem::path& path, const std::vector<PackagePart>& parts, std::string* error) {
  try {
    WritePackage(path, parts);
    return true;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

}  // namespace

bool WriteSample(const SampleInfo& sample, const std::filesystem::path& folder, std::string* error) {
  const std::filesystem::path path = folder / sample.fileName;
  switch (sample.kind) {
    case SampleKind::Word97: return WriteBytes(path, Word97Sample(), error);
    case SampleKind::Excel97Vba: return WriteBytes(path, Excel97VbaSample(), error);
    case SampleKind::Excel97Macro4: return WriteBytes(path, Excel97Macro4Sample(), error);
    case SampleKind::WordPackage:
      return WriteParts(path, WordPackageParts(kIntroduction + ". " + kExplanation, BuildProjectPart(WordModules(), "Project")), error);
    case SampleKind::ExcelPackage:
      return WriteParts(path, ExcelPackageParts(kIntroduction + ". " + kExplanation, BuildProjectPart(ExcelModules(), "VBAProject")), error);
    case SampleKind::EncryptedExcelPackage: {
      // The package is written first, then enciphered in place of itself.
      if (!WriteParts(path, ExcelPackageParts(kIntroduction + ". " + kExplanation, BuildProjectPart(ExcelModules(), "VBAProject")), error)) {
        return false;
      }
      std::ifstream in(path, std::ios::binary);
      const Bytes package((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      in.close();
      return WriteBytes(path, BuildEncryptedPackage(package, {}), error);
    }
    case SampleKind::Presentation97:
      return WriteBytes(path, BuildPresentation({BuildProjectPart({TestModule()}, "VBAProject")}), error);
    case SampleKind::Word6: return WriteBytes(path, Word6Sample(), error);
    case SampleKind::ExcelPackageMacro4: return WriteParts(path, ExcelPackageMacro4Sample(), error);
  }
  if (error) *error = "unknown sample";
  return false;
}

}  // namespace qv::samples
