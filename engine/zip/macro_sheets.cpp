#include "engine/zip/macro_sheets.h"

#include <pugixml.hpp>

#include <algorithm>

#include "engine/common/capacities.h"
#include "engine/zip/part_references.h"
#include "engine/zip/workbook_xml_names.h"

namespace qv::zip {
namespace {

bool LoadXml(pugi::xml_document& doc, std::string_view xml) {
  return static_cast<bool>(doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8));
}

SheetState StateFromText(std::string_view state) {
  if (state == "hidden") return SheetState::Hidden;
  if (state == "veryHidden") return SheetState::VeryHidden;
  return SheetState::Visible;
}

// An XLWideString (32-bit character count, UTF-16LE characters) at `at`, as UTF-8; the
// position after it. nullopt when it runs past the record; an empty string for the null
// form (count 0xFFFFFFFF) of an XLNullableWideString.
std::optional<std::pair<std::string, uint64_t>> WideStringAt(ByteReader record, uint64_t at) {
  const auto count = record.U32(at);
  if (!count) return std::nullopt;
  if (*count == 0xFFFFFFFF) return std::make_pair(std::string(), at + 4);
  const uint64_t bytes = uint64_t{*count} * 2;
  if (!record.Has(at + 4, bytes)) return std::nullopt;
  std::string out;
  for (uint64_t i = 0; i < *count; ++i) {
    const uint32_t unit = *record.U16(at + 4 + 2 * i);
    // Sheet names and relationship ids are compared as UTF-8; surrogates stand as they are.
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return std::make_pair(std::move(out), at + 4 + bytes);
}

// The bytes after a formula cell's value: the 16-bit flags, then cce and the rgce.
std::optional<uint64_t> FormulaStart(uint32_t id, ByteReader data) {
  constexpr uint64_t kCell = 8;  // column, style and flags
  switch (id) {
    case biff12::kFmlaString: {
      const auto value = WideStringAt(data, kCell);
      if (!value) return std::nullopt;
      return value->second + 2;
    }
    case biff12::kFmlaNum: return kCell + 8 + 2;
    case biff12::kFmlaBool:
    case biff12::kFmlaError: return kCell + 1 + 2;
    default: return std::nullopt;
  }
}

}  // namespace

namespace biff12 {
std::optional<Record> RecordAt(ByteReader part, uint64_t offset) {
  Record record;
  record.offset = offset;
  uint64_t at = offset;
  for (int i = 0; i < 2; ++i) {
    const auto b = part.U8(at++);
    if (!b) return std::nullopt;
    record.id |= static_cast<uint32_t>(*b & 0x7F) << (7 * i);
    if ((*b & 0x80) == 0) break;
  }
  for (int i = 0; i < 4; ++i) {
    const auto b = part.U8(at++);
    if (!b) return std::nullopt;
    record.length |= static_cast<uint32_t>(*b & 0x7F) << (7 * i);
    if ((*b & 0x80) == 0) break;
  }
  if (!part.Has(at, record.length)) return std::nullopt;
  record.dataOffset = at;
  return record;
}
}  // namespace biff12

std::vector<WorkbookSheet> ReadWorkbookSheetsXml(std::string_view xml) {
  std::vector<WorkbookSheet> out;
  pugi::xml_document doc;
  if (!LoadXml(doc, xml)) return out;
  for (pugi::xml_node node = doc.document_element().first_child(); node; node = node.next_sibling()) {
    if (LocalXmlName(node.name()) != "sheets") continue;
    for (pugi::xml_node sheet = node.first_child(); sheet && out.size() < cap::kMaxWorkbookSheets;
         sheet = sheet.next_sibling()) {
      if (sheet.type() != pugi::node_element || LocalXmlName(sheet.name()) != "sheet") continue;
      out.push_back({sheet.attribute("name").value(), SheetRelationshipId(sheet),
                     StateFromText(sheet.attribute("state").value())});
    }
  }
  return out;
}

std::vector<WorkbookSheet> ReadWorkbookSheetsBin(ByteReader part) {
  std::vector<WorkbookSheet> out;
  uint64_t offset = 0;
  for (uint64_t n = 0; n < cap::kMaxWorkbookRecords && offset < part.size(); ++n) {
    const auto record = biff12::RecordAt(part, offset);
    if (!record) break;
    offset = record->dataOffset + record->length;
    if (record->id != biff12::kBundleSheet || out.size() >= cap::kMaxWorkbookSheets) continue;
    const ByteReader data = part.Slice(record->dataOffset, record->length);
    const auto state = data.U32(0);
    const auto relId = WideStringAt(data, 8);
    const auto name = relId ? WideStringAt(data, relId->second) : std::nullopt;
    if (!state || !name) continue;
    const uint32_t visibility = *state & 3;
    out.push_back({name->first, relId->first,
                   visibility == 1 ? SheetState::Hidden : visibility == 2 ? SheetState::VeryHidden : SheetState::Visible});
  }
  return out;
}

std::vector<Relationship> ReadRelationships(std::string_view xml, std::string_view sourceFolder) {
  std::vector<Relationship> out;
  pugi::xml_document doc;
  if (!LoadXml(doc, xml)) return out;
  for (pugi::xml_node node = doc.document_element().first_child(); node && out.size() < cap::kMaxWorkbookSheets;
       node = node.next_sibling()) {
    if (node.type() != pugi::node_element || LocalXmlName(node.name()) != "Relationship") continue;
    if (std::string_view(node.attribute("TargetMode").value()) == "External") continue;
    out.push_back({node.attribute("Id").value(), node.attribute("Type").value(),
                   ResolveTarget(std::string(sourceFolder), node.attribute("Target").value())});
  }
  return out;
}

bool IsMacroSheetRelationship(std::string_view type) {
  const size_t slash = type.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? type : type.substr(slash + 1);
  return last == "xlMacrosheet" || last == "xlIntlMacrosheet";
}

std::string GatherFormulaTextXml(std::string_view xml) {
  std::string out;
  pugi::xml_document doc;
  if (!LoadXml(doc, xml)) return out;
  // The document order of the elements; an explicit stack, so deep nesting costs no recursion.
  std::vector<pugi::xml_node> stack{doc.document_element()};
  while (!stack.empty() && out.size() < cap::kMacroSheetFormulaBytes) {
    const pugi::xml_node node = stack.back();
    stack.pop_back();
    if (LocalXmlName(node.name()) == "f") {
      const std::string_view text = node.child_value();
      out.append(text.substr(0, cap::kMacroSheetFormulaBytes - out.size()));
      if (out.size() < cap::kMacroSheetFormulaBytes) out.push_back('\n');
      continue;
    }
    std::vector<pugi::xml_node> children;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
      if (child.type() == pugi::node_element) children.push_back(child);
    }
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  return out;
}

std::string MacroSheetJudgeText(std::string_view sheetName, std::string_view xml) {
  const std::string formulas = GatherFormulaTextXml(xml);
  if (formulas.empty()) return formulas;
  std::string out(kMacroSheetTextHeader);
  out.append(sheetName.substr(0, 255));
  out += "\r\n";
  return out + formulas;
}

std::string GatherFormulaTokensBin(ByteReader part) {
  std::string out;
  uint64_t offset = 0;
  for (uint64_t n = 0; n < cap::kMaxWorkbookRecords && offset < part.size(); ++n) {
    const auto record = biff12::RecordAt(part, offset);
    if (!record) break;
    offset = record->dataOffset + record->length;
    const ByteReader data = part.Slice(record->dataOffset, record->length);
    const auto start = FormulaStart(record->id, data);
    if (!start) continue;
    const auto cce = data.U32(*start);
    if (!cce || !data.Has(*start + 4, *cce)) continue;  // a formula longer than its record
    const size_t room = cap::kMacroSheetFormulaBytes - out.size();
    if (*cce > room) break;
    out.append(reinterpret_cast<const char*>(data.data() + *start + 4), *cce);
  }
  return out;
}

}  // namespace qv::zip
