// Finding and judging the hidden macro sheets of an Open XML workbook, and the rebuild that
// leaves them out.
#include "engine/zip/macro_sheet_package.h"

#include <map>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/zip/macro_sheets.h"
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

// Reads the wanted entries whole (each up to `maxBytes`) in one walk over the package.
std::map<std::string, std::string> ReadParts(PackageReader& reader, const std::set<std::string>& wanted,
                                             uint64_t maxBytes) {
  std::map<std::string, std::string> out;
  ForEachEntry(reader, cap::kMaxPackageEntries, [&](const EntryInfo& entry) {
    if (wanted.count(entry.name) == 0 || out.count(entry.name) != 0 || entry.size > maxBytes) return true;
    std::string bytes;
    if (reader.ReadCurrent(entry, maxBytes, [&](const uint8_t* data, size_t length) {
          bytes.append(reinterpret_cast<const char*>(data), length);
          return true;
        })) {
      out.emplace(entry.name, std::move(bytes));
    }
    return out.size() < wanted.size();
  });
  return out;
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

std::optional<MacroSheetWorkbook> JudgeHiddenMacroSheets(const std::u16string& path, const MacroSheetJudge& judge) {
  auto reader = PackageReader::Open(path);
  if (!reader) return std::nullopt;
  auto parts = ReadParts(*reader, {kWorkbookXml, kWorkbookBin, kWorkbookXmlRels, kWorkbookBinRels},
                         cap::kMaxWorkbookPartBytes);
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
  } else {
    return std::nullopt;
  }
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
  const auto sheetParts = ReadParts(*reader, wanted, cap::kMaxWorkbookPartBytes);
  reader.reset();  // the judge may rebuild nothing yet, but nothing holds the file while it runs
  for (const auto& sheet : book.sheets) {
    const auto part = sheetParts.find(sheet.partName);
    if (part == sheetParts.end()) continue;
    const std::string formulas = EndsWith(sheet.partName, ".bin") ? GatherFormulaTokensBin(ReaderOf(part->second))
                                                                  : MacroSheetJudgeText(sheet.sheetName, part->second);
    if (!formulas.empty()) judge(sheet, formulas);
  }
  return book;
}

SheetRemoval RebuildWithoutMacroSheets(const std::u16string& documentPath, const MacroSheetWorkbook& workbook,
                                       const std::vector<HiddenMacroSheet>& remove, const std::u16string& quarantineDir) {
  std::set<std::string> dropped, relationshipIds;
  for (const auto& sheet : remove) {
    dropped.insert(sheet.partName);
    dropped.insert(RelationshipPartOf(sheet.partName));
    relationshipIds.insert(sheet.relationshipId);
  }
  auto reader = PackageReader::Open(documentPath);
  if (!reader) return SheetRemoval::Abandoned;
  auto rebuilt = RebuiltFile::CreateBeside(documentPath, quarantineDir);
  if (!rebuilt) return SheetRemoval::Abandoned;
  {
    auto writer = PackageWriter::Create(rebuilt->TakeFile());
    if (!writer) return SheetRemoval::Abandoned;
    const platform::LocalTime now = platform::Now();
    uint64_t written = 0;
    bool copied = true, workbookEdited = false;
    const bool walked = ForEachEntry(*reader, cap::kMaxPackageEntries, [&](const EntryInfo& entry) {
      if (dropped.count(entry.name) != 0) return true;
      const bool workbookPart = entry.name == workbook.workbookPart;
      const bool references = MayReferToParts(entry.name);
      if ((workbookPart || references) && entry.size <= cap::kMaxWorkbookPartBytes) {
        std::string content;
        copied = reader->ReadCurrent(entry, cap::kMaxWorkbookPartBytes, [&](const uint8_t* bytes, size_t length) {
          content.append(reinterpret_cast<const char*>(bytes), length);
          return true;
        });
        if (!copied) return false;
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
        copied = CopyEntryAsIs(*reader, *writer, entry, now);
      }
      if (copied) ++written;
      return copied;
    });
    if (!walked || !copied || !workbookEdited || !writer->Finish()) return SheetRemoval::Abandoned;
    reader.reset();
    if (!ReadsBackWhole(rebuilt->path(), written)) return SheetRemoval::Abandoned;
  }
  platform::CopyPermissions(documentPath, rebuilt->path());
  if (!rebuilt->Flush()) return SheetRemoval::Abandoned;
  if (!platform::RenameReplace(rebuilt->path(), documentPath)) return SheetRemoval::Abandoned;
  rebuilt->Keep();
  return SheetRemoval::Replaced;
}

}  // namespace qv::zip
