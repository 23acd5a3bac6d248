#include "engine/zip/part_references.h"

#include <pugixml.hpp>

#include <sstream>
#include <vector>

namespace qv::zip {
namespace {

constexpr char kContentTypes[] = "[Content_Types].xml";
constexpr char kRelsSuffix[] = ".rels";

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The local name of an element ("Relationship" for "r:Relationship").
std::string LocalName(const pugi::xml_node& node) {
  const std::string name = node.name();
  const size_t colon = name.find(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

std::string Serialise(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

}  // namespace

// "word/_rels/document.xml.rels" relates "word/document.xml": targets resolve from "word/".
// "_rels/.rels" relates the package itself: targets resolve from the root.
std::string SourceFolderOf(const std::string& relsEntry) {
  const size_t rels = relsEntry.rfind("_rels/");
  return rels == std::string::npos ? std::string() : relsEntry.substr(0, rels);
}

// Joins a relationship target to its source folder, resolving "." and ".." by name.
std::string ResolveTarget(const std::string& folder, const std::string& target) {
  const std::string joined = (!target.empty() && target[0] == '/') ? target.substr(1) : folder + target;
  std::vector<std::string> parts;
  std::stringstream in(joined);
  for (std::string part; std::getline(in, part, '/');) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const auto& part : parts) out += (out.empty() ? "" : "/") + part;
  return out;
}

bool MayReferToParts(const std::string& entryName) {
  return entryName == kContentTypes || EndsWith(entryName, kRelsSuffix);
}

std::optional<std::string> WithoutReferencesTo(const std::string& entryName, const std::string& xml,
                                               const std::string& removedEntry) {
  pugi::xml_document doc;
  const unsigned flags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;
  if (!doc.load_buffer(xml.data(), xml.size(), flags, pugi::encoding_utf8)) return std::nullopt;
  pugi::xml_node root = doc.document_element();
  const bool contentTypes = entryName == kContentTypes;
  const std::string folder = SourceFolderOf(entryName);
  std::vector<pugi::xml_node> doomed;
  for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
    if (node.type() != pugi::node_element) continue;
    if (contentTypes) {
      if (LocalName(node) == "Override" && ResolveTarget("", node.attribute("PartName").value()) == removedEntry) {
        doomed.push_back(node);
      }
    } else if (LocalName(node) == "Relationship" &&
               std::string(node.attribute("TargetMode").value()) != "External" &&
               ResolveTarget(folder, node.attribute("Target").value()) == removedEntry) {
      doomed.push_back(node);
    }
  }
  if (doomed.empty()) return std::nullopt;
  for (auto& node : doomed) root.remove_child(node);
  return Serialise(doc);
}

}  // namespace qv::zip
