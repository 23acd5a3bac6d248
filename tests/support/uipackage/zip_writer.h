// Small zip archives for the resource-package tests, members given as name and text, written
// with the shared package writer.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qv::test {

using ZipMembers = std::vector<std::pair<std::string, std::string>>;

// Writes `members` (deflated) into a new archive at `path`; false on any failure.
bool WriteZip(const std::string& path, const ZipMembers& members);

// The smallest package the toolkit accepts: an index, global definitions with the two
// strings and no skins, and one layout "LAYOUT:XML_MAINWND" made of `layoutXml`.
ZipMembers MinimalPackage(const std::string& layoutXml);

}  // namespace qv::test
