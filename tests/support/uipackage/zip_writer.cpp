#include "tests/support/uipackage/zip_writer.h"

#include <exception>

#include "writers/zip/package_writer.h"

namespace qv::test {

bool WriteZip(const std::string& path, const ZipMembers& members) {
  std::vector<writers::PackagePart> parts;
  for (const auto& [name, text] : members) parts.push_back({name, writers::Bytes(text.begin(), text.end())});
  try {
    writers::WritePackage(path, parts);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

ZipMembers MinimalPackage(const std::string& layoutXml) {
  return {
      {"uires.idx",
       "<resource>"
       "<UIDEF><file name=\"XML_INIT\" path=\"xml\\init.xml\"/></UIDEF>"
       "<LAYOUT><file name=\"XML_MAINWND\" path=\"xml\\dlg_main.xml\"/></LAYOUT>"
       "</resource>"},
      {"xml/init.xml",
       "<UIDEF><font face=\"宋体\" size=\"15\"/>"
       "<string><title value=\"T\"/><ver value=\"9.9\"/></string></UIDEF>"},
      {"xml/dlg_main.xml", layoutXml},
  };
}

}  // namespace qv::test
