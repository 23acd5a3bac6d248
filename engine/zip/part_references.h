// When a package loses its VBA project part, the parts that point at it must let go too:
// a relationship to a part that is not there makes office software refuse the document.
#pragma once

#include <optional>
#include <string>

namespace qv::zip {

// The folder a relationship part's targets resolve from: "word/_rels/document.xml.rels"
// gives "word/", "_rels/.rels" gives "".
std::string SourceFolderOf(const std::string& relsEntry);
// A relationship target joined to its source folder, "." and ".." resolved by name; a target
// that starts with "/" is taken from the package root.
std::string ResolveTarget(const std::string& folder, const std::string& target);

// True for the parts that can name other parts: relationship parts and "[Content_Types].xml".
bool MayReferToParts(const std::string& entryName);

// The part's XML without the relationships that target `removedEntry` and without its
// content-type override. nullopt when nothing refers to it, or the XML cannot be read (the
// part is then kept as it is).
std::optional<std::string> WithoutReferencesTo(const std::string& entryName, const std::string& xml,
                                               const std::string& removedEntry);

}  // namespace qv::zip
