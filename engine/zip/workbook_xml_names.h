// Small helpers for the namespaced XML of workbook parts.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace qv::zip {

// The local name of an element or attribute ("sheet" for "x:sheet").
inline std::string_view LocalXmlName(const char* name) {
  const std::string_view text(name);
  const size_t colon = text.find(':');
  return colon == std::string_view::npos ? text : text.substr(colon + 1);
}

// The relationship id of a <sheet>: the attribute "id" in the relationships namespace, written
// with whatever prefix the part declares ("r:id").
inline std::string SheetRelationshipId(const pugi::xml_node& sheet) {
  for (pugi::xml_attribute a = sheet.first_attribute(); a; a = a.next_attribute()) {
    if (std::string_view(a.name()).find(':') != std::string_view::npos && LocalXmlName(a.name()) == "id") {
      return a.value();
    }
  }
  return {};
}

}  // namespace qv::zip
