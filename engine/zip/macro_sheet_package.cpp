// Finding and judging the hidden macro sheets of an Open XML workbook, and the rebuild that
// leaves them out.
#include "engine/zip/macro_sheet_package.h"

#include <map>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/common/skip_reasons.h"
#include "engine/zip/macro_sheets.h"
#include "engine/zip/package_budget.h"
#include "engine/zip/package_reader.h"
#include "engine/zip/package_writer.h"
#include "engine/zip/part_references.h"
#include "engine/zip/rebuilt_file.h"

namespace qv::zip {
namespace {

constexpr char kWorkbookXml[] = "xl/workbook.xml";
constexpr char kWorkbookBin[] = "xl/workbook.bin";
constexpr char kWorkbookXmlRels[] = "xl/_rels/workbook.xml.rels";
constexpr char kWorkbookBinRels[] = "xl/_rels/workbook.bin.rels";

struct ReadResult {
  std::map<std::string, std::string> parts;
  std::map<std::string, const char*> unread;  // wanted parts met but not read whole, and why
};

// Reads the wanted entries whole in one walk over the package: each up to `maxBytes` and
// within the inflate ratio of a package part, all of them within the package's `budget`.
ReadResult ReadParts(PackageReader& reader, const std::set<std::string>& wanted, uint64_t maxBytes,
                     PackageBudget& budget, const std::atomic<bool>* stop) {
  ReadResult out;
  const auto spentReason = [&] { return stop != nullptr && stop->load() ? kSkippedInterrupted : kSkippedTooLarge; };
  ForEachEntry(reader, cap::kMaxPackageEntries, [&](const EntryInfo& entry) {
    if (wanted.count(entry.name) == 0 || out.parts.count(entry.name) != 0) return true;
    if (entry.size > maxBytes || !PartWithinInflateRatio(entry.size, entry.compressedSize)) {
      out.unread.emplace(entry.name, kSkippedTooLarge);
      return true;
    }
    std::string bytes;
    if (reader.ReadCurrent(entry, maxBytes, [&](const uint8_t* data, size_t length) {
          if (!budget.Spend(length)) return false;
          bytes.append(reinterpret_cast<const char*>(data), length);
          return true;
        })) {
      out.parts.emplace(entry.name, std::move(bytes));
      out.unread.erase(entry.name);
    } else {
      out.unread.emplace(entry.name, budget.spent() ? spentReason() : kSkippedDamaged);
    }
    return out.parts.size() < wanted.size() && !budget.spent();
  });
  return out;
}

void NoteUnread(MacroSheetWorkbook& book, const ReadResult& read, const std::string& name) {
  if (const auto it = read.unread.find(name); it != read.unread.end() && book.notExamined.empty()) {
    book.notExamined = it->second;
  }
}

ByteReader ReaderOf(std::string_view bytes) {
  return ByteReader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// "xl/macrosheets/sheet1.xml" → "xl/macrosheets/_rels/sheet1.xml.rels".
std::string RelationshipPartOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
  return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::optional<MacroSheetWorkbook> JudgeHiddenMacroSheets(const std::u16string& path, const MacroSheetJudge& judge,
                                                         const std::atomic<bool>* stop) {
  auto reader = PackageReader::Open(path);
  if (!reader) return std::nullopt;
  PackageBudget budget(stop);  // what the parts read for judging may cost together
  const ReadResult read = ReadParts(*reader, {kWorkbookXml, kWorkbookBin, kWorkbookXmlRels, kWorkbookBinRels},
                                    cap::kMaxWorkbookPartBytes, budget, stop);
  auto parts = read.parts;
  MacroSheetWorkbook book;
  std::vector<WorkbookSheet> sheets;
  if (parts.count(kWorkbookXml) != 0) {
    book.workbookPart = kWorkbookXml;
    book.relationshipPart = kWorkbookXmlRels;
    sheets = ReadWorkbookSheetsXml(parts[kWorkbookXml]);
  } else if (parts.count(kWorkbookBin) != 0) {
    book.binary = true;
    book.workbookPart = kWorkbookBin;
    book.relationshipPart = kWorkbookBinRels;
    sheets = ReadWorkbookSheetsBin(ReaderOf(parts[kWorkbookBin]));
  } else if (read.unread.count(kWorkbookXml) != 0 || read.unread.count(kWorkbookBin) != 0) {
    NoteUnread(book, read, kWorkbookXml);  // a workbook part that is there but cannot be read
    NoteUnread(book, read, kWorkbookBin);
    return book;
  } else {
    return std::nullopt;
  }
  NoteUnread(book, read, book.relationshipPart);
  const auto relationships = ReadRelationships(parts[book.relationshipPart], "xl/");
  std::set<std::string> wanted;
  for (const auto& sheet : sheets) {
    if (sheet.state == SheetState::Visible) continue;
    for (const auto& rel : relationships) {
      if (rel.id != sheet.relationshipId || !IsMacroSheetRelationship(rel.type)) continue;
      book.sheets.push_back({sheet.name, sheet.relationshipId, rel.target});
      wanted.insert(rel.target);
      break;
    }
  }
  if (wanted.empty()) return book;
  const ReadResult sheetRead = ReadParts(*reader, wanted, cap::kMaxWorkbookPartBytes, budget, stop);
  const auto& sheetParts = sheetRead.parts;
  reader.reset();  // the judge may rebuild nothing yet, but nothing holds the file while it runs
  for (const auto& sheet : book.sheets) {
    NoteUnread(book, sheetRead, sheet.partName);
    const auto part = sheetParts.find(sheet.partName);
    if (part == sheetParts.end()) continue;
    const std::string formulas = EndsWith(sheet.partName, ".bin") ? GatherFormulaTokensBin(ReaderOf(part->second))
                                                                  : MacroSheetJudgeText(sheet.sheetName, part->second);
    if (!formulas.empty()) judge(sheet, formulas);
  }
  return book;
}

SheetRemoval RebuildWithoutMacroSheets(const std::u16string& documentPath, const MacroSheetWorkbook& workbook,
                                       const std::vector<HiddenMacroSheet>& remove, const std::atomic<bool>* stop,
                                       const std::u16string& quarantineDir) {
  if (!SurveySoundPackage(documentPath)) return SheetRemoval::Abandoned;
  std::set<std::string> dropped, relationshipIds;
  for (const auto& sheet : remove) {
    dropped.insert(sheet.partName);
    dropped.insert(RelationshipPartOf(sheet.partName));
    relationshipIds.insert(sheet.relationshipId);
  }
  auto reader = PackageReader::Open(documentPath);
  if (!reader) return SheetRemoval::Abandoned;
  auto rebuilt = RebuiltFile::CreateBeside(documentPath, quarantineDir);
  if (!rebuilt || !rebuilt->TakeAccessOf(documentPath)) return SheetRemoval::Abandoned;
  {
    auto writer = PackageWriter::Create(rebuilt->TakeFile());
    if (!writer) return SheetRemoval::Abandoned;
    const platform::LocalTime now = platform::Now();
    uint64_t written = 0;
    bool copied = true, workbookEdited = false;
    PackageBudget budget(stop);
    const bool walked = ForEachEntry(*reader, cap::kMaxPackageEntries, [&](const EntryInfo& entry) {
      if (dropped.count(entry.name) != 0) return true;
      if (!budget.Spend(0)) return copied = false;  // out of time or asked to stop: no further entry is begun
      const bool workbookPart = entry.name == workbook.workbookPart;
      const bool references = MayReferToParts(entry.name);
      if ((workbookPart || references) && entry.size <= cap::kMaxWorkbookPartBytes) {
        auto read = ReadEntryText(*reader, entry, cap::kMaxWorkbookPartBytes, budget);
        copied = read.has_value();
        if (!copied) return false;
        std::string content = std::move(*read);
        if (workbookPart) {
          const auto edited = workbook.binary ? WorkbookBinWithoutSheets(content, relationshipIds)
                                              : WorkbookXmlWithoutSheets(content, relationshipIds);
          if (!edited) {
            copied = false;  // the workbook would still list a sheet whose part is gone
            return false;
          }
          content = *edited;
          workbookEdited = true;
        } else {
          for (const auto& part : dropped) content = WithoutReferencesTo(entry.name, content, part).value_or(content);
        }
        copied = WriteEntryContent(*writer, entry, content, now);
      } else {
        copied = CopyEntryAsIs(*reader, *writer, entry, now, budget);
      }
      if (copied) ++written;
      return copied;
    });
    if (!walked || !copied || !workbookEdited || !writer->Finish()) return SheetRemoval::Abandoned;
    reader.reset();
    if (!ReadsBackWhole(rebuilt->path(), written)) return SheetRemoval::Abandoned;
  }
  if (!rebuilt->ReplaceDocument(documentPath)) return SheetRemoval::Abandoned;
  return SheetRemoval::Replaced;
}

}  // namespace qv::zip
