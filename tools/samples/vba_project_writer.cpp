#include "tools/samples/vba_project_writer.h"

#include <cstdio>

#include "tools/samples/ovba_compression.h"

namespace qv::samples {
namespace {

// Fixed, so that the samples are the same bytes on every run.
constexpr char kProjectId[] = "{5C1D8C2E-7A43-4E0B-9D61-3F2A8B47C915}";
constexpr uint16_t kCodePage = 1252;
constexpr uint32_t kLcid = 0x0409;

void Record(Bytes& out, uint16_t id, const Bytes& data) {
  PutU16(out, id);
  PutU32(out, static_cast<uint32_t>(data.size()));
  PutBytes(out, data);
}
void RecordU32(Bytes& out, uint16_t id, uint32_t value) {
  Bytes data;
  PutU32(data, value);
  Record(out, id, data);
}
void RecordU16(Bytes& out, uint16_t id, uint16_t value) {
  Bytes data;
  PutU16(data, value);
  Record(out, id, data);
}
Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Utf16(const std::string& text) {
  Bytes out;
  PutUtf16(out, text);
  return out;
}
// A record whose text comes twice: in the code page (under `id`) and as UTF-16 (under
// `unicodeId`, which stands where a size would).
void DualText(Bytes& out, uint16_t id, uint16_t unicodeId, const std::string& text) {
  Record(out, id, Ascii(text));
  Record(out, unicodeId, Utf16(text));
}

Bytes DirRecords(const std::vector<VbaModule>& modules, const std::string& projectName) {
  Bytes d;
  // PROJECTINFORMATION
  RecordU32(d, 0x0001, 1);          // PROJECTSYSKIND: 32-bit Windows
  RecordU32(d, 0x0002, kLcid);      // PROJECTLCID
  RecordU32(d, 0x0014, kLcid);      // PROJECTLCIDINVOKE
  RecordU16(d, 0x0003, kCodePage);  // PROJECTCODEPAGE
  Record(d, 0x0004, Ascii(projectName));  // PROJECTNAME
  DualText(d, 0x0005, 0x0040, "");  // PROJECTDOCSTRING
  Record(d, 0x0006, {});            // PROJECTHELPFILEPATH: no help file, in both of its fields
  Record(d, 0x003D, {});
  RecordU32(d, 0x0007, 0);          // PROJECTHELPCONTEXT
  RecordU32(d, 0x0008, 0);          // PROJECTLIBFLAGS
  PutU16(d, 0x0009);                // PROJECTVERSION: reserved 4, major, minor
  PutU32(d, 4);
  PutU32(d, 1);
  PutU16(d, 0);
  DualText(d, 0x000C, 0x003C, "");  // PROJECTCONSTANTS
  // PROJECTREFERENCES: OLE Automation
  DualText(d, 0x0016, 0x003E, "stdole");  // REFERENCENAME
  const std::string libid = "*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#C:\\Windows\\system32\\stdole2.tlb#OLE Automation";
  Bytes registered;
  PutU32(registered, static_cast<uint32_t>(libid.size()));
  PutText(registered, libid);
  PutU32(registered, 0);
  PutU16(registered, 0);
  Record(d, 0x000D, registered);    // REFERENCEREGISTERED
  // PROJECTMODULES
  RecordU16(d, 0x000F, static_cast<uint16_t>(modules.size()));
  RecordU16(d, 0x0013, 0xFFFF);     // PROJECTCOOKIE
  for (const VbaModule& m : modules) {
    Record(d, 0x0019, Ascii(m.name));           // MODULENAME
    Record(d, 0x0047, Utf16(m.name));           // MODULENAMEUNICODE
    DualText(d, 0x001A, 0x0032, m.name);        // MODULESTREAMNAME
    DualText(d, 0x001C, 0x0048, "");            // MODULEDOCSTRING
    RecordU32(d, 0x0031, 0);                    // MODULEOFFSET: the source starts the stream
    RecordU32(d, 0x001E, 0);                    // MODULEHELPCONTEXT
    RecordU16(d, 0x002C, 0xFFFF);               // MODULECOOKIE
    Record(d, m.document ? 0x0022 : 0x0021, {});  // MODULETYPE
    Record(d, 0x002B, {});                      // MODULE terminator
  }
  Record(d, 0x0010, {});                        // dir terminator
  return d;
}

std::string Hex(const Bytes& bytes) {
  std::string out;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02X", b);
    out += two;
  }
  return out;
}

std::string ProjectText(const std::vector<VbaModule>& modules, const std::string& projectName) {
  std::string t = std::string("ID=\"") + kProjectId + "\"\r\n";
  for (const VbaModule& m : modules) {
    t += m.document ? "Document=" + m.name + "/&H00000000\r\n" : "Module=" + m.name + "\r\n";
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
  for (const VbaModule& m : modules) t += m.name + "=0, 0, 0, 0, C\r\n";
  return t;
}

Bytes ProjectWm(const std::vector<VbaModule>& modules) {
  Bytes out;
  for (const VbaModule& m : modules) {
    PutText(out, m.name);
    PutU8(out, 0);
    PutUtf16(out, m.name);
    PutU16(out, 0);
  }
  PutU16(out, 0);
  return out;
}

}  // namespace

std::string EncryptProjectData(const Bytes& data, const std::string& projectId, uint8_t seed) {
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

std::string ModuleSourceText(const VbaModule& module) {
  std::string text = "Attribute VB_Name = \"" + module.name + "\"\r\n";
  if (module.document) {
    const bool templateDerived = module.base.rfind("1Normal.", 0) == 0;
    text += "Attribute VB_Base = \"" + module.base + "\"\r\n";
    text += "Attribute VB_GlobalNameSpace = False\r\n";
    text += "Attribute VB_Creatable = False\r\n";
    text += "Attribute VB_PredeclaredId = True\r\n";
    text += "Attribute VB_Exposed = True\r\n";
    text += std::string("Attribute VB_TemplateDerived = ") + (templateDerived ? "True" : "False") + "\r\n";
    text += "Attribute VB_Customizable = True\r\n";
  }
  return text + module.code;
}

std::vector<VbaStream> BuildVbaProjectStreams(const std::vector<VbaModule>& modules, const std::string& projectName) {
  std::vector<VbaStream> streams;
  const std::string project = ProjectText(modules, projectName);
  streams.push_back({"PROJECT", Bytes(project.begin(), project.end())});
  streams.push_back({"PROJECTwm", ProjectWm(modules)});
  // Reserved 0x61CC, version 0xFFFF (compile from source), reserved 0x00, reserved 0x0003.
  streams.push_back({"VBA/_VBA_PROJECT", Bytes{0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x03, 0x00}});
  const Bytes dir = DirRecords(modules, projectName);
  streams.push_back({"VBA/dir", CompressContainer(std::string_view(reinterpret_cast<const char*>(dir.data()), dir.size()))});
  for (const VbaModule& m : modules) streams.push_back({"VBA/" + m.name, CompressContainer(ModuleSourceText(m))});
  return streams;
}

}  // namespace qv::samples
