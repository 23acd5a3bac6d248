#include "tests/support/uipackage/zip_writer.h"

#include <zip.h>

namespace qv::testing {

bool WriteZip(const std::string& path, const ZipMembers& members) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  bool ok = true;
  for (const auto& [name, bytes] : members) {
    zip_fileinfo info{};
    ok = ok && zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                     Z_DEFAULT_COMPRESSION, 0) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zip, bytes.data(), unsigned(bytes.size())) == ZIP_OK;
    ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
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

}  // namespace qv::testing
