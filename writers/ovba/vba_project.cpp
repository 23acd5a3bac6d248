#include "writers/ovba/vba_project.h"

#include <stdexcept>

#include "writers/common/byte_sink.h"
#include "writers/ovba/compressor.h"
#include "writers/ovba/project_text.h"

namespace qv::writers::ovba {
namespace {

constexpr uint16_t kCodePage = 1252;
constexpr uint32_t kLcid = 0x0409;

// "dir" records: a 16-bit id, a 32-bit size, the payload.
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

}  // namespace

ModuleSpec CodeModule(std::string_view name, std::string_view code) {
  return {std::string(name), ModuleSource(name, code), ModuleKind::Procedural, {}};
}

ModuleSpec DocumentModule(std::string_view name, std::string_view base, std::string_view code) {
  return {std::string(name), DocumentModuleSource(name, base, code), ModuleKind::Document, {}};
}

std::vector<uint8_t> DirRecords(const std::vector<ModuleSpec>& modules, const std::vector<uint32_t>& textOffsets,
                                const std::string& projectName) {
  if (textOffsets.size() != modules.size()) throw std::invalid_argument("one offset per module");
  Bytes d;
  // PROJECTINFORMATION
  RecordU32(d, 0x0001, 1);          // PROJECTSYSKIND: 32-bit Windows
  RecordU32(d, 0x0002, kLcid);      // PROJECTLCID
  RecordU32(d, 0x0014, kLcid);      // PROJECTLCIDINVOKE
  RecordU16(d, 0x0003, kCodePage);  // PROJECTCODEPAGE
  Record(d, 0x0004, Ascii(projectName));  // PROJECTNAME
  DualText(d, 0x0005, 0x0040, "");  // PROJECTDOCSTRING
  DualText(d, 0x0006, 0x003D, "");  // PROJECTHELPFILEPATH: no help file, in both of its fields
  RecordU32(d, 0x0007, 0);          // PROJECTHELPCONTEXT
  RecordU32(d, 0x0008, 0);          // PROJECTLIBFLAGS
  PutU16(d, 0x0009);                // PROJECTVERSION: reserved 4, major, minor
  PutU32(d, 4);
  PutU32(d, 1);
  PutU16(d, 0);
  DualText(d, 0x000C, 0x003C, "");  // PROJECTCONSTANTS
  // PROJECTREFERENCES: OLE Automation
  DualText(d, 0x0016, 0x003E, "stdole");  // REFERENCENAME
  const std::string libid =
      "*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#C:\\Windows\\system32\\stdole2.tlb#OLE Automation";
  Bytes registered;
  PutU32(registered, static_cast<uint32_t>(libid.size()));
  PutText(registered, libid);
  PutU32(registered, 0);
  PutU16(registered, 0);
  Record(d, 0x000D, registered);    // REFERENCEREGISTERED
  // PROJECTMODULES
  RecordU16(d, 0x000F, static_cast<uint16_t>(modules.size()));
  RecordU16(d, 0x0013, 0xFFFF);     // PROJECTCOOKIE
  for (size_t i = 0; i < modules.size(); ++i) {
    const ModuleSpec& m = modules[i];
    Record(d, 0x0019, Ascii(m.name));           // MODULENAME
    Record(d, 0x0047, Utf16(m.name));           // MODULENAMEUNICODE
    DualText(d, 0x001A, 0x0032, m.name);        // MODULESTREAMNAME
    DualText(d, 0x001C, 0x0048, "");            // MODULEDOCSTRING
    RecordU32(d, 0x0031, textOffsets[i]);       // MODULEOFFSET
    RecordU32(d, 0x001E, 0);                    // MODULEHELPCONTEXT
    RecordU16(d, 0x002C, 0xFFFF);               // MODULECOOKIE
    Record(d, m.kind == ModuleKind::Document ? 0x0022 : 0x0021, {});  // MODULETYPE
    Record(d, 0x002B, {});                      // MODULE terminator
  }
  Record(d, 0x0010, {});                        // dir terminator
  return d;
}

const ProjectStream& VbaProject::Stream(std::string_view path) const {
  for (const ProjectStream& s : streams) {
    if (s.path == path) return s;
  }
  throw std::invalid_argument("no project stream " + std::string(path));
}

VbaProject BuildVbaProject(const std::vector<ModuleSpec>& modules, const std::string& projectName) {
  VbaProject project;
  std::vector<ProjectStream> moduleStreams;
  std::vector<uint32_t> offsets;
  for (const ModuleSpec& m : modules) {
    ModuleStream stream = BuildModuleStream(m.source, m.performanceCache);
    offsets.push_back(stream.sourceOffset);
    moduleStreams.push_back({"VBA/" + m.name, std::move(stream.bytes)});
  }
  project.dirRecords = DirRecords(modules, offsets, projectName);

  const std::string text = ProjectText(modules, projectName);
  project.streams.push_back({"PROJECT", Bytes(text.begin(), text.end())});
  project.streams.push_back({"PROJECTwm", ProjectWm(modules)});
  // Reserved 0x61CC, version 0xFFFF (compile from source), reserved 0x00, reserved 0x0003.
  project.streams.push_back({"VBA/_VBA_PROJECT", {0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x03, 0x00}});
  project.streams.push_back({"VBA/dir", Compress(std::span<const uint8_t>(project.dirRecords)).bytes});
  for (ProjectStream& s : moduleStreams) project.streams.push_back(std::move(s));
  return project;
}

}  // namespace qv::writers::ovba
