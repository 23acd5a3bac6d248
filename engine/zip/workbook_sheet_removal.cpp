// Taking sheets out of a workbook part so that the workbook still opens: the sheet list, the
// defined names that belong to or point at the removed sheets, and every sheet index after
// them.
#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/zip/macro_sheet_package.h"
#include "engine/zip/macro_sheets.h"
#include "engine/zip/workbook_xml_names.h"

namespace qv::zip {
namespace {

pugi::xml_node ChildByLocalName(const pugi::xml_node& parent, std::string_view name) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element && LocalXmlName(child.name()) == name) return child;
  }
  return {};
}

// The index a sheet had before the removal moves down by the removed sheets before it; a
// removed sheet has no index any more (-1).
int NewIndex(int old, const std::vector<int>& removed) {
  if (std::find(removed.begin(), removed.end(), old) != removed.end()) return -1;
  return old - static_cast<int>(std::count_if(removed.begin(), removed.end(), [&](int r) { return r < old; }));
}

bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.' || c == '\'' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// True when the formula text refers to sheet `name`: "Name!" not preceded by a name
// character, or "'Name'!" with the quote inside the name doubled.
bool RefersToSheet(std::string_view formula, const std::string& name) {
  std::string quoted = "'";
  for (char c : name) {
    quoted.push_back(c);
    if (c == '\'') quoted.push_back('\'');
  }
  quoted += "'!";
  if (formula.find(quoted) != std::string_view::npos) return true;
  const std::string plain = name + "!";
  for (size_t at = formula.find(plain); at != std::string_view::npos; at = formula.find(plain, at + 1)) {
    if (at == 0 || !IsNameCharacter(formula[at - 1])) return true;
  }
  return false;
}

void MoveIndexAttribute(pugi::xml_node node, const char* attribute, const std::vector<int>& removed) {
  pugi::xml_attribute a = node.attribute(attribute);
  if (!a) return;
  const int moved = NewIndex(a.as_int(), removed);
  a.set_value(moved < 0 ? 0 : moved);
}

}  // namespace

std::optional<std::string> WorkbookXmlWithoutSheets(std::string_view xml, const std::set<std::string>& relationshipIds) {
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single,
                       pugi::encoding_utf8)) {
    return std::nullopt;
  }
  pugi::xml_node root = doc.document_element();
  pugi::xml_node sheets = ChildByLocalName(root, "sheets");
  std::vector<int> removed;
  std::vector<std::string> removedNames;
  std::vector<pugi::xml_node> doomed;
  int index = 0;
  for (pugi::xml_node sheet = sheets.first_child(); sheet; sheet = sheet.next_sibling()) {
    if (sheet.type() != pugi::node_element || LocalXmlName(sheet.name()) != "sheet") continue;
    if (relationshipIds.count(SheetRelationshipId(sheet)) != 0) {
      removed.push_back(index);
      removedNames.emplace_back(sheet.attribute("name").value());
      doomed.push_back(sheet);
    }
    ++index;
  }
  if (removed.empty()) return std::nullopt;
  for (auto& node : doomed) sheets.remove_child(node);

  if (pugi::xml_node names = ChildByLocalName(root, "definedNames")) {
    std::vector<pugi::xml_node> gone;
    for (pugi::xml_node name = names.first_child(); name; name = name.next_sibling()) {
      if (name.type() != pugi::node_element) continue;
      pugi::xml_attribute local = name.attribute("localSheetId");
      bool drop = local && NewIndex(local.as_int(), removed) < 0;
      for (const auto& sheetName : removedNames) drop = drop || RefersToSheet(name.child_value(), sheetName);
      if (drop) {
        gone.push_back(name);
      } else if (local) {
        local.set_value(NewIndex(local.as_int(), removed));
      }
    }
    for (auto& node : gone) names.remove_child(node);
    if (!ChildByLocalName(names, "definedName")) root.remove_child(names);
  }
  if (pugi::xml_node views = ChildByLocalName(root, "bookViews")) {
    for (pugi::xml_node view = views.first_child(); view; view = view.next_sibling()) {
      MoveIndexAttribute(view, "activeTab", removed);
      MoveIndexAttribute(view, "firstSheet", removed);
    }
  }
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return out.str();
}

namespace {

constexpr uint32_t kExternSheet = 0x16A;  // BrtExternSheet: cXti, then (iSupBook, itabFirst, itabLast)
constexpr uint32_t kSupSelf = 0x163;      // BrtSupSelf: the supporting link to this workbook
constexpr uint32_t kSupSame = 0x164;
constexpr uint32_t kSupAddin = 0x2A6;
constexpr uint32_t kSupBookSrc = 0x168;
constexpr uint32_t kBookView = 0x87;     // BrtBookView: itabFirst at 20, itabCur at 24
constexpr int32_t kDeletedSheet = -2;     // an itab that names no sheet any more (#REF!)

struct Xti {
  uint32_t supBook;
  int32_t first;
  int32_t last;
};

// A BrtName's scope (itab at 5) and the ixti of its formula when that formula begins with a
// 3-D reference (ptgRef3d / ptgArea3d of any class). Layout: flags (4), chKey (1), itab (4),
// name (32-bit count + UTF-16), cce (4), rgce.
struct NameScope {
  uint32_t itab = 0xFFFFFFFF;
  std::optional<uint16_t> ixti;
};

std::optional<NameScope> ReadNameScope(ByteReader data) {
  NameScope scope;
  const auto itab = data.U32(5);
  const auto count = data.U32(9);
  if (!itab || !count) return std::nullopt;
  scope.itab = *itab;
  const uint64_t cceAt = 13 + uint64_t{*count} * 2;
  const auto cce = data.U32(cceAt);
  if (!cce) return std::nullopt;
  const auto ptg = data.U8(cceAt + 4);
  if (*cce >= 3 && ptg && ((*ptg & 0x1F) == 0x1A || (*ptg & 0x1F) == 0x1B)) scope.ixti = data.U16(cceAt + 5);
  return scope;
}

}  // namespace

std::optional<std::string> WorkbookBinWithoutSheets(std::string_view part, const std::set<std::string>& relationshipIds) {
  const ByteReader in(reinterpret_cast<const uint8_t*>(part.data()), part.size());
  std::vector<biff12::Record> records;
  for (uint64_t offset = 0; offset < in.size() && records.size() < cap::kMaxWorkbookRecords;) {
    const auto record = biff12::RecordAt(in, offset);
    if (!record) return std::nullopt;  // a part that cannot be walked whole is not rewritten
    records.push_back(*record);
    offset = record->dataOffset + record->length;
  }
  // Which sheets go, by their position among all BrtBundleSh records (a record that cannot be
  // read still takes its place, as in the loop below).
  std::vector<int> removed;
  int position = 0;
  for (const auto& r : records) {
    if (r.id != biff12::kBundleSheet) continue;
    const auto one = ReadWorkbookSheetsBin(in.Slice(r.offset, r.dataOffset + r.length - r.offset));
    if (one.size() == 1 && relationshipIds.count(one.front().relationshipId) != 0) removed.push_back(position);
    ++position;
  }
  if (removed.empty()) return std::nullopt;

  // The supporting link of this workbook and the sheet references (XTIs) into it.
  std::vector<Xti> xtis;
  std::optional<uint32_t> self;
  uint32_t supBooks = 0;
  for (const auto& r : records) {
    const ByteReader data = in.Slice(r.dataOffset, r.length);
    if (r.id == kSupSelf) self = supBooks;
    if (r.id == kSupSelf || r.id == kSupSame || r.id == kSupAddin || r.id == kSupBookSrc) ++supBooks;
    if (r.id != kExternSheet) continue;
    const auto count = data.U32(0);
    for (uint32_t i = 0; count && i < *count && data.Has(4 + uint64_t{i} * 12, 12); ++i) {
      const uint64_t at = 4 + uint64_t{i} * 12;
      xtis.push_back({*data.U32(at), static_cast<int32_t>(*data.U32(at + 4)), static_cast<int32_t>(*data.U32(at + 8))});
    }
  }
  auto pointsAtRemoved = [&](const Xti& x) {
    if (!self || x.supBook != *self) return false;
    return std::any_of(removed.begin(), removed.end(), [&](int r) { return x.first <= r && r <= x.last; });
  };

  std::string out;
  int sheetIndex = 0;
  for (const auto& r : records) {
    std::string bytes(part.substr(r.offset, r.dataOffset + r.length - r.offset));
    const uint64_t header = r.dataOffset - r.offset;
    uint8_t* data = reinterpret_cast<uint8_t*>(bytes.data()) + header;
    ByteWriter patch(data, r.length);
    const ByteReader view(data, r.length);
    if (r.id == biff12::kBundleSheet) {
      const bool drop = NewIndex(sheetIndex, removed) < 0;
      ++sheetIndex;
      if (drop) continue;
    } else if (r.id == biff12::kName) {
      const auto scope = ReadNameScope(view);
      if (scope) {
        const bool local = scope->itab != 0xFFFFFFFF;
        if (local && NewIndex(static_cast<int>(scope->itab), removed) < 0) continue;
        if (scope->ixti && *scope->ixti < xtis.size() && pointsAtRemoved(xtis[*scope->ixti])) continue;
        if (local) patch.U32(5, static_cast<uint32_t>(NewIndex(static_cast<int>(scope->itab), removed)));
      }
    } else if (r.id == kBookView) {
      for (const uint64_t at : {uint64_t{20}, uint64_t{24}}) {
        const auto itab = view.U32(at);
        if (!itab) continue;
        const int moved = NewIndex(static_cast<int>(*itab), removed);
        patch.U32(at, static_cast<uint32_t>(moved < 0 ? 0 : moved));
      }
    } else if (r.id == kExternSheet) {
      for (size_t i = 0; i < xtis.size() && view.Has(4 + i * 12, 12); ++i) {
        if (!self || xtis[i].supBook != *self) continue;
        auto move = [&](int32_t itab) {
          if (itab < 0) return itab;
          const int moved = NewIndex(itab, removed);
          return moved < 0 ? kDeletedSheet : moved;
        };
        patch.U32(4 + i * 12 + 4, static_cast<uint32_t>(move(xtis[i].first)));
        patch.U32(4 + i * 12 + 8, static_cast<uint32_t>(move(xtis[i].last)));
      }
    }
    out += bytes;
  }
  return out;
}

}  // namespace qv::zip
