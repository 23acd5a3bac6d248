#include "writers/zip/package_writer.h"

#include <minizip/zip.h>
#include <zlib.h>
#ifdef _WIN32
#include <minizip/iowin32.h>
#endif

#include <cstring>
#include <stdexcept>

#include "writers/cfb/compound_writer.h"

namespace qv::writers {
namespace {

constexpr char kPackageRels[] = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr char kOfficeDocument[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr char kVbaProjectRel[] = "http://schemas.microsoft.com/office/2006/relationships/vbaProject";

bool IsAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// minizip's default file functions take a narrow name (fopen); on Windows its wide-name
// Win32 functions take the path as it is, whatever the code page.
zipFile OpenZipToWrite(const std::filesystem::path& path) {
#ifdef _WIN32
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
#else
  return zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
#endif
}

}  // namespace

PackagePart Text(const std::string& name, const std::string& text) { return {name, Bytes(text.begin(), text.end())}; }

std::string ContentTypes(const std::string& overrides) {
  return std::string(kXmlHead) +
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/>" +
         overrides + "</Types>";
}

std::string Relationships(const std::string& items) {
  return std::string(kXmlHead) + "<Relationships xmlns=\"" + kPackageRels + "\">" + items + "</Relationships>";
}

std::string Relationship(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

void WritePackage(const std::filesystem::path& path, const std::vector<PackagePart>& parts) {
  zipFile zip = OpenZipToWrite(path);
  if (zip == nullptr) throw std::runtime_error("cannot create " + path.string());
  for (const PackagePart& part : parts) {
    zip_fileinfo info;
    std::memset(&info, 0, sizeof info);
    info.tmz_date.tm_year = 2016;  // a fixed time: the same bytes on every run
    info.tmz_date.tm_mon = 0;
    info.tmz_date.tm_mday = 5;
    info.tmz_date.tm_hour = 9;
    const int method = part.deflate ? Z_DEFLATED : 0;
    const uLong flags = IsAscii(part.name) ? 0 : 0x0800;  // UTF-8 name
    if (zipOpenNewFileInZip4_64(zip, part.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                Z_DEFAULT_COMPRESSION, part.raw ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, 0, flags, 0) != ZIP_OK ||
        (!part.data.empty() &&
         zipWriteInFileInZip(zip, part.data.data(), static_cast<unsigned>(part.data.size())) != ZIP_OK) ||
        (part.raw ? zipCloseFileInZipRaw64(zip, part.declaredSize, part.declaredCrc) : zipCloseFileInZip(zip)) !=
            ZIP_OK) {
      zipClose(zip, nullptr);
      throw std::runtime_error("cannot write " + part.name + " into " + path.string());
    }
  }
  if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("cannot finish " + path.string());
}

Bytes BuildProjectPart(const std::vector<ovba::ModuleSpec>& modules, const std::string& projectName) {
  CfbBuilder file;
  for (ovba::ProjectStream& s : ovba::BuildVbaProject(modules, projectName).streams) file.AddStream(s.path, std::move(s.bytes));
  return file.Build();
}

std::vector<PackagePart> WordPackageParts(const std::string& text, const Bytes& projectPart) {
  return {
      Text("[Content_Types].xml",
           ContentTypes("<Override PartName=\"/word/document.xml\" "
                        "ContentType=\"application/vnd.ms-word.document.macroEnabled.main+xml\"/>")),
      Text("_rels/.rels", Relationships(Relationship("rId1", kOfficeDocument, "word/document.xml"))),
      Text("word/document.xml",
           std::string(kXmlHead) +
               "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
               "<w:body><w:p><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p></w:body></w:document>"),
      Text("word/_rels/document.xml.rels", Relationships(Relationship("rId1", kVbaProjectRel, "vbaProject.bin"))),
      {"word/vbaProject.bin", projectPart},
  };
}

std::vector<PackagePart> ExcelPackageParts(const std::string& text, const Bytes& projectPart) {
  constexpr char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  constexpr char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  return {
      Text("[Content_Types].xml",
           ContentTypes("<Override PartName=\"/xl/workbook.xml\" "
                        "ContentType=\"application/vnd.ms-excel.sheet.macroEnabled.main+xml\"/>"
                        "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>")),
      Text("_rels/.rels", Relationships(Relationship("rId1", kOfficeDocument, "xl/workbook.xml"))),
      Text("xl/workbook.xml", std::string(kXmlHead) + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRelNs + "\">" +
                                  "<workbookPr codeName=\"ThisWorkbook\"/>"
                                  "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"),
      Text("xl/_rels/workbook.xml.rels",
           Relationships(Relationship("rId1", std::string(kRelNs) + "/worksheet", "worksheets/sheet1.xml") +
                         Relationship("rId2", kVbaProjectRel, "vbaProject.bin"))),
      Text("xl/worksheets/sheet1.xml",
           std::string(kXmlHead) + "<worksheet xmlns=\"" + kMain + "\"><sheetPr codeName=\"Sheet1\"/><sheetData>"
                                   "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text +
                                   "</t></is></c></row></sheetData></worksheet>"),
      {"xl/vbaProject.bin", projectPart},
  };
}

}  // namespace qv::writers
