#include "tests/support/ovba/vba_project.h"

#include <stdexcept>

#include "tests/support/ovba/module_stream.h"
#include "tests/support/ovba/ovba_compressor.h"

namespace qv::test::ovba {

namespace {

// Writes "dir" records: a 16-bit id, a 32-bit size, the payload.
class RecordWriter {
 public:
  void U16(uint16_t v) {
    for (int i = 0; i < 2; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Bytes(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
  void Utf16(const std::string& ascii) {
    for (char c : ascii) U16(static_cast<uint8_t>(c));
  }

  void RecordU32(uint16_t id, uint32_t value) {
    U16(id);
    U32(4);
    U32(value);
  }
  void RecordU16(uint16_t id, uint16_t value) {
    U16(id);
    U32(2);
    U16(value);
  }
  void RecordText(uint16_t id, const std::string& text) {
    U16(id);
    U32(static_cast<uint32_t>(text.size()));
    Bytes(text);
  }
  // A text record followed by its UTF-16 twin under `unicodeId`.
  void RecordTextPair(uint16_t id, uint16_t unicodeId, const std::string& text) {
    RecordText(id, text);
    U16(unicodeId);
    U32(static_cast<uint32_t>(text.size() * 2));
    Utf16(text);
  }

  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> ProjectText(const std::vector<ModuleSpec>& modules, const std::string& projectName) {
  std::string text = "ID=\"{00000000-0000-0000-0000-000000000000}\"\r\n";
  for (const ModuleSpec& m : modules) {
    text += m.kind == ModuleKind::Document ? "Document=" + m.name + "/&H00000000\r\n"
                                           : "Module=" + m.name + "\r\n";
  }
  text += "Name=\"" + projectName + "\"\r\n";
  text += "HelpContextID=\"0\"\r\n";
  text += "VersionCompatible32=\"393222000\"\r\n";
  text += "\r\n[Host Extender Info]\r\n";
  text += "&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n";
  text += "\r\n[Workspace]\r\n";
  for (const ModuleSpec& m : modules) text += m.name + "=0, 0, 0, 0, C\r\n";
  return Text(text);
}

// Module names twice, MBCS then UTF-16, each zero-terminated; a 16-bit zero ends the list.
std::vector<uint8_t> ProjectWm(const std::vector<ModuleSpec>& modules) {
  RecordWriter w;
  for (const ModuleSpec& m : modules) {
    w.Bytes(m.name);
    w.Bytes(std::string(1, '\0'));
    w.Utf16(m.name);
    w.U16(0);
  }
  w.U16(0);
  return w.Take();
}

}  // namespace

std::vector<uint8_t> DirRecords(const std::vector<ModuleSpec>& modules,
                                const std::vector<uint32_t>& textOffsets,
                                const std::string& projectName) {
  if (textOffsets.size() != modules.size()) throw std::invalid_argument("one offset per module");
  RecordWriter w;
  w.RecordU32(0x0001, 1);       // PROJECTSYSKIND: 32-bit Windows
  w.RecordU32(0x0002, 0x0409);  // PROJECTLCID
  w.RecordU32(0x0014, 0x0409);  // PROJECTLCIDINVOKE
  w.RecordU16(0x0003, 1252);    // PROJECTCODEPAGE
  w.RecordText(0x0004, projectName);           // PROJECTNAME
  w.RecordTextPair(0x0005, 0x0040, "");        // PROJECTDOCSTRING
  w.RecordTextPair(0x0006, 0x003D, "");        // PROJECTHELPFILEPATH (two copies)
  w.RecordU32(0x0007, 0);       // PROJECTHELPCONTEXT
  w.RecordU32(0x0008, 0);       // PROJECTLIBFLAGS
  w.U16(0x0009);                // PROJECTVERSION: reserved size 4, major, minor
  w.U32(4);
  w.U32(1);
  w.U16(0);
  w.RecordTextPair(0x000C, 0x003C, "");        // PROJECTCONSTANTS
  w.RecordU16(0x000F, static_cast<uint16_t>(modules.size()));  // PROJECTMODULES count
  w.RecordU16(0x0013, 0xFFFF);  // PROJECTCOOKIE
  for (size_t i = 0; i < modules.size(); ++i) {
    const ModuleSpec& m = modules[i];
    w.RecordText(0x0019, m.name);                // MODULENAME
    w.RecordTextPair(0x001A, 0x0032, m.name);    // MODULESTREAMNAME
    w.RecordTextPair(0x001C, 0x0048, "");        // MODULEDOCSTRING
    w.RecordU32(0x0031, textOffsets[i]);         // MODULEOFFSET
    w.RecordU32(0x001E, 0);                      // MODULEHELPCONTEXT
    w.RecordU16(0x002C, 0xFFFF);                 // MODULECOOKIE
    w.U16(m.kind == ModuleKind::Document ? 0x0022 : 0x0021);  // MODULETYPE
    w.U32(0);
    w.U16(0x002B);                               // module terminator
    w.U32(0);
  }
  w.U16(0x0010);                                 // dir terminator
  w.U32(0);
  return w.Take();
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

  project.streams.push_back({"PROJECT", ProjectText(modules, projectName)});
  project.streams.push_back({"PROJECTwm", ProjectWm(modules)});
  // _VBA_PROJECT: reserved 0x61CC, version 0xFFFF, reserved 0x00, reserved 16 bits.
  project.streams.push_back({"VBA/_VBA_PROJECT", {0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x00, 0x00}});
  project.streams.push_back(
      {"VBA/dir", Compress(std::span<const uint8_t>(project.dirRecords)).bytes});
  for (ProjectStream& s : moduleStreams) project.streams.push_back(std::move(s));
  return project;
}

}  // namespace qv::test::ovba
