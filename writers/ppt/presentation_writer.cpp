#include "writers/ppt/presentation_writer.h"

#include <zlib.h>

#include <stdexcept>

#include "writers/cfb/compound_writer.h"

namespace qv::writers {
namespace {

// Record types.
constexpr uint16_t kDocument = 0x03E8, kDocumentAtom = 0x03E9, kEndDocumentAtom = 0x03EA;
constexpr uint16_t kSlideAtom = 0x03EF, kMasterPersistAtom = 0x03F3, kMainMaster = 0x03F8;
constexpr uint16_t kVbaInfo = 0x03FF, kVbaInfoAtom = 0x0400, kList = 0x07D0, kSlideListWithText = 0x0FF0;
constexpr uint16_t kUserEditAtom = 0x0FF5, kCurrentUserAtom = 0x0FF6, kExOleObjStg = 0x1011;
constexpr uint16_t kPersistDirectoryAtom = 0x1772;

// Persist ids of the objects written.
constexpr uint32_t kDocumentId = 1, kMasterId = 2, kProjectId = 3;

void PutHeader(Bytes& out, uint16_t version, uint16_t instance, uint16_t type, uint32_t length) {
  PutU16(out, static_cast<uint16_t>(version | (instance << 4)));
  PutU16(out, type);
  PutU32(out, length);
}

Bytes Atom(uint16_t type, const Bytes& body, uint16_t version = 0, uint16_t instance = 0) {
  Bytes out;
  PutHeader(out, version, instance, type, static_cast<uint32_t>(body.size()));
  PutBytes(out, body);
  return out;
}

Bytes Container(uint16_t type, const std::vector<Bytes>& children, uint16_t instance = 0) {
  Bytes body;
  for (const auto& child : children) PutBytes(body, child);
  return Atom(type, body, 0xF, instance);
}

Bytes DocumentAtom() {
  Bytes b;
  PutU32(b, 5760); PutU32(b, 4320);  // slideSize (master units): 10 x 7.5 inches
  PutU32(b, 4320); PutU32(b, 5760);  // notesSize
  PutU32(b, 1); PutU32(b, 2);        // serverZoom 1:2
  PutU32(b, 0);                      // notesMasterPersistIdRef: none
  PutU32(b, 0);                      // handoutMasterPersistIdRef: none
  PutU16(b, 1);                      // firstSlideNumber
  PutU16(b, 0);                      // slideSizeType: on-screen show
  PutU8(b, 0); PutU8(b, 0); PutU8(b, 0); PutU8(b, 1);  // fSaveWithFonts, fOmitTitlePlace, fRightToLeft, fShowComments
  return Atom(kDocumentAtom, b, 1);
}

Bytes MasterList() {
  Bytes persist;
  PutU32(persist, kMasterId);    // persistIdRef of the main master
  PutU32(persist, 0);            // flags
  PutU32(persist, 0);            // cTexts
  PutU32(persist, 0x80000000);   // masterId
  PutU32(persist, 0);            // reserved
  return Container(kSlideListWithText, {Atom(kMasterPersistAtom, persist)}, 1);
}

Bytes VbaInfoList(bool hasProject, Bytes& atomBody) {
  atomBody.clear();
  PutU32(atomBody, hasProject ? kProjectId : 0);  // persistIdRef of the project's ExOleObjStg
  PutU32(atomBody, hasProject ? 1 : 0);           // fHasMacros
  PutU32(atomBody, 2);                            // version
  return Container(kList, {Container(kVbaInfo, {Atom(kVbaInfoAtom, atomBody, 2)})});
}

Bytes MainMaster() {
  Bytes slide;
  PutU32(slide, 0);                   // geom: title slide layout
  for (int i = 0; i < 8; ++i) PutU8(slide, 0);  // rgPlaceholderTypes
  PutU32(slide, 0);                   // masterIdRef: none (this is the master)
  PutU32(slide, 0);                   // notesIdRef
  PutU16(slide, 0);                   // slideFlags
  PutU16(slide, 0);                   // unused
  return Container(kMainMaster, {Atom(kSlideAtom, slide, 2)});
}

Bytes Deflate(const Bytes& bytes) {
  uLongf length = compressBound(static_cast<uLong>(bytes.size()));
  Bytes out(length);
  if (compress2(out.data(), &length, bytes.data(), static_cast<uLong>(bytes.size()), Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("zlib failed");
  }
  out.resize(length);
  return out;
}

Bytes ProjectStorage(const Presentation& p) {
  Bytes body;
  PutU32(body, p.declaredSize.value_or(static_cast<uint32_t>(p.project.size())));  // decompressed size
  PutBytes(body, Deflate(p.project));
  body.resize(body.size() + p.recordSlack, 0);
  return Atom(kExOleObjStg, body, 0, 1);  // instance 1: compressed
}

}  // namespace

PresentationStreams BuildPresentationStreams(const Presentation& p) {
  PresentationStreams out;
  const bool hasProject = !p.project.empty();
  Bytes atomBody;
  const Bytes list = VbaInfoList(hasProject, atomBody);
  const Bytes documentAtom = DocumentAtom();
  const Bytes masters = MasterList();
  std::vector<Bytes> children{documentAtom, masters};
  if (hasProject) children.push_back(list);
  children.push_back(Atom(kEndDocumentAtom, {}));
  const Bytes document = Container(kDocument, children);

  Bytes& s = out.document;
  const uint32_t documentAt = 0;
  PutBytes(s, document);
  // fHasMacros: document header, its atom, the master list, then list > info > atom headers.
  out.hasMacrosAt = static_cast<uint32_t>(8 + documentAtom.size() + masters.size() + 8 + 8 + 8 + 4);
  const auto masterAt = static_cast<uint32_t>(s.size());
  PutBytes(s, MainMaster());
  out.projectRecord = static_cast<uint32_t>(s.size());
  if (hasProject) PutBytes(s, ProjectStorage(p));

  const auto directoryAt = static_cast<uint32_t>(s.size());
  Bytes directory;
  const uint32_t count = hasProject ? 3 : 2;
  PutU32(directory, kDocumentId | (count << 20));
  PutU32(directory, documentAt);
  PutU32(directory, masterAt);
  if (hasProject) PutU32(directory, out.projectRecord);
  PutBytes(s, Atom(kPersistDirectoryAtom, directory));

  const auto editAt = static_cast<uint32_t>(s.size());
  Bytes edit;
  PutU32(edit, 0);             // lastSlideIdRef
  PutU16(edit, 0);             // version
  PutU8(edit, 0);              // minorVersion
  PutU8(edit, 3);              // majorVersion
  PutU32(edit, 0);             // offsetLastEdit: no earlier edit
  PutU32(edit, p.damagedDirectory ? editAt : directoryAt);  // offsetPersistDirectory
  PutU32(edit, kDocumentId);   // docPersistIdRef
  PutU32(edit, kProjectId);    // persistIdSeed
  PutU16(edit, 1);             // lastView: slide view
  PutU16(edit, 0);             // unused
  PutBytes(s, Atom(kUserEditAtom, edit));

  const std::string user = "Quorvane";
  Bytes cu;
  PutU32(cu, 0x14);            // size
  PutU32(cu, 0xE391C05F);      // headerToken: not encrypted
  PutU32(cu, editAt);          // offsetToCurrentEdit
  PutU16(cu, static_cast<uint16_t>(user.size()));  // lenUserName
  PutU16(cu, 0x03F4);          // docFileVersion
  PutU8(cu, 3);                // majorVersion
  PutU8(cu, 0);                // minorVersion
  PutU16(cu, 0);               // unused
  PutText(cu, user);           // ansiUserName
  PutU32(cu, 8);               // relVersion
  PutUtf16(cu, user);          // unicodeUserName
  out.currentUser = Atom(kCurrentUserAtom, cu);
  return out;
}

Bytes BuildPresentation(const Presentation& presentation) {
  PresentationStreams streams = BuildPresentationStreams(presentation);
  // The document stream is made at least 4 KiB long so that it lives in ordinary sectors,
  // as it does in every real presentation.
  PadAtLeast(streams.document, 4096);
  CfbBuilder writer;
  writer.AddStream("Current User", streams.currentUser);
  writer.AddStream("PowerPoint Document", streams.document);
  return writer.Build();
}

}  // namespace qv::writers
