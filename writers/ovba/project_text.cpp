#include "writers/ovba/project_text.h"

#include <cstdio>

#include "writers/common/byte_sink.h"
#include "writers/ovba/vba_project.h"

namespace qv::writers::ovba {
namespace {

std::string Hex(const Bytes& bytes) {
  std::string out;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02X", b);
    out += two;
  }
  return out;
}

}  // namespace

std::string EncryptProjectData(const std::vector<uint8_t>& data, const std::string& projectId, uint8_t seed) {
  uint8_t projKey = 0;
  for (char c : projectId) projKey = static_cast<uint8_t>(projKey + static_cast<uint8_t>(c));
  const uint8_t versionEnc = seed ^ 2;
  const uint8_t projKeyEnc = seed ^ projKey;
  Bytes out{seed, versionEnc, projKeyEnc};
  uint8_t unencrypted1 = projKey, encrypted1 = projKeyEnc, encrypted2 = versionEnc;
  auto put = [&](uint8_t byte) {
    const uint8_t enc = byte ^ static_cast<uint8_t>(encrypted2 + unencrypted1);
    out.push_back(enc);
    encrypted2 = encrypted1;
    encrypted1 = enc;
    unencrypted1 = byte;
  };
  for (int i = 0; i < (seed & 6) / 2; ++i) put(0);  // ignored bytes
  const uint32_t length = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) put(static_cast<uint8_t>(length >> (8 * i)));
  for (uint8_t b : data) put(b);
  return Hex(out);
}

std::string ProjectText(const std::vector<ModuleSpec>& modules, const std::string& projectName) {
  std::string t = std::string("ID=\"") + kProjectId + "\"\r\n";
  for (const ModuleSpec& m : modules) {
    t += m.kind == ModuleKind::Document ? "Document=" + m.name + "/&H00000000\r\n" : "Module=" + m.name + "\r\n";
  }
  t += "Name=\"" + projectName + "\"\r\n";
  t += "HelpContextID=\"0\"\r\n";
  t += "VersionCompatible32=\"393222000\"\r\n";
  t += "CMG=\"" + EncryptProjectData({0, 0, 0, 0}, kProjectId, 0x41) + "\"\r\n";  // not protected
  t += "DPB=\"" + EncryptProjectData({0}, kProjectId, 0x27) + "\"\r\n";          // no password
  t += "GC=\"" + EncryptProjectData({0xFF}, kProjectId, 0x6C) + "\"\r\n";        // visible
  t += "\r\n[Host Extender Info]\r\n";
  t += "&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n";
  t += "\r\n[Workspace]\r\n";
  for (const ModuleSpec& m : modules) t += m.name + "=0, 0, 0, 0, C\r\n";
  return t;
}

// Module names twice, code page then UTF-16, each zero-terminated; a 16-bit zero ends the list.
std::vector<uint8_t> ProjectWm(const std::vector<ModuleSpec>& modules) {
  Bytes out;
  for (const ModuleSpec& m : modules) {
    PutText(out, m.name);
    PutU8(out, 0);
    PutUtf16(out, m.name);
    PutU16(out, 0);
  }
  PutU16(out, 0);
  return out;
}

}  // namespace qv::writers::ovba
