#include "tests/support/zip/package_builder.h"

#include <minizip/unzip.h>
#include <zlib.h>
#ifdef _WIN32
#include <minizip/iowin32.h>
#endif

#include <stdexcept>

namespace qv::test {
namespace {

// minizip's default file functions take a narrow name (fopen); on Windows its wide-name
// Win32 functions take the path as it is, whatever the code page.
unzFile OpenZipToRead(const std::filesystem::path& path) {
#ifdef _WIN32
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return unzOpen2_64(path.c_str(), &functions);
#else
  return unzOpen64(path.c_str());
#endif
}

}  // namespace

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

uint32_t Crc32(const std::vector<uint8_t>& data) {
  return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data) {
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::vector<uint8_t> out(deflateBound(&stream, static_cast<uLong>(data.size())));
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int done = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (done != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

std::vector<StoredEntry> ReadPackage(const std::filesystem::path& path) {
  std::vector<StoredEntry> entries;
  unzFile unz = OpenZipToRead(path);
  if (unz == nullptr) return entries;
  for (int more = unzGoToFirstFile(unz); more == UNZ_OK; more = unzGoToNextFile(unz)) {
    unz_file_info64 info{};
    char name[65536];
    if (unzGetCurrentFileInfo64(unz, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    StoredEntry entry;
    entry.name.assign(name, info.size_filename);
    entry.method = static_cast<int>(info.compression_method);
    entry.flag = static_cast<uint16_t>(info.flag);
    if (unzOpenCurrentFile(unz) == UNZ_OK) {
      uint8_t chunk[8192];
      int got = 0;
      while ((got = unzReadCurrentFile(unz, chunk, sizeof chunk)) > 0) entry.data.insert(entry.data.end(), chunk, chunk + got);
      const bool closed = unzCloseCurrentFile(unz) == UNZ_OK;
      entry.intact = got == 0 && closed && entry.data.size() == info.uncompressed_size;
    }
    entries.push_back(std::move(entry));
  }
  unzClose(unz);
  return entries;
}

std::vector<std::string> EntryNames(const std::vector<StoredEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.name);
  return names;
}

const StoredEntry* FindEntry(const std::vector<StoredEntry>& entries, const std::string& name) {
  for (const auto& entry : entries) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

std::string PartFolder(OfficeKind kind) {
  switch (kind) {
    case OfficeKind::Word: return "word";
    case OfficeKind::Excel: return "xl";
    case OfficeKind::PowerPoint: return "ppt";
  }
  return "word";
}

std::string ProjectEntryName(OfficeKind kind) { return PartFolder(kind) + "/vbaProject.bin"; }

std::vector<PackagePart> MacroEnabledPackage(OfficeKind kind, const std::vector<uint8_t>& project) {
  const std::string folder = PartFolder(kind);
  const std::string main = kind == OfficeKind::Word ? "document.xml"
                           : kind == OfficeKind::Excel ? "workbook.xml"
                                                       : "presentation.xml";
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  // A block of text long enough that deflate makes a difference.
  std::string body;
  for (int i = 0; i < 200; ++i) body += "<p>paragraph " + std::to_string(i) + "</p>";
  return {
      {"[Content_Types].xml",
       Bytes(xml + "<Types><Default Extension=\"bin\"/><Override PartName=\"/" + ProjectEntryName(kind) +
             "\" ContentType=\"application/vnd.ms-office.vbaProject\"/></Types>")},
      {"_rels/.rels", Bytes(xml + "<Relationships><Relationship Target=\"" + folder + "/" + main + "\"/></Relationships>")},
      {folder + "/" + main, Bytes(xml + "<root>" + body + "</root>")},
      {folder + "/_rels/" + main + ".rels",
       Bytes(xml + "<Relationships><Relationship Id=\"rId1\" Target=\"vbaProject.bin\"/>"
                   "<Relationship Id=\"rId2\" Target=\"styles.xml\"/></Relationships>")},
      {ProjectEntryName(kind), project},
      {folder + "/_rels/vbaProject.bin.rels", Bytes(xml + "<Relationships><Relationship Target=\"vbaData.xml\"/></Relationships>")},
      {folder + "/vbaData.xml", Bytes(xml + "<wne:vbaSuppData/>")},
      {folder + "/embeddings/archive.zip", Bytes("PK\x05\x06 an embedded archive, already compressed"), false},
      {"docProps/core.xml", Bytes(xml + "<cp:coreProperties/>")},
  };
}

}  // namespace qv::test
