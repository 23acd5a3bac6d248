// Writes compound files ([MS-CFB], version 3, 512-byte sectors): storages and streams by path,
// small streams in the mini stream, each storage's children in a red-black tree in the
// format's name order, and the sector layout FAT, DIFAT, directory, mini FAT, mini stream,
// regular streams, front to back. Options reach the corners readers must handle: any
// directory or FAT size (DIFAT sectors past 109 FAT sectors), chosen sector numbers,
// reversed chains, a chosen mini-stream cutoff, a chain of right siblings. The CfbFile it
// answers knows where everything went, so that tests can break links, make loops, truncate,
// and compute the file ranges a write may touch. It is written from the format alone and
// shares no code with the engine's reader, so it can stand as the independent side of
// differential tests.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::writers {

namespace cfbc {
inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;
inline constexpr uint32_t kSector = 512;
inline constexpr uint32_t kMiniSector = 64;
inline constexpr uint32_t kMiniCutoff = 4096;  // streams below it go to the mini stream
inline constexpr uint32_t kEntryBytes = 128;
// Directory entry field offsets.
inline constexpr uint32_t kNameLength = 0x40;
inline constexpr uint32_t kObjectType = 0x42;
inline constexpr uint32_t kColor = 0x43;  // kRed or kBlack
inline constexpr uint8_t kRed = 0, kBlack = 1;
inline constexpr uint32_t kLeft = 0x44;
inline constexpr uint32_t kRight = 0x48;
inline constexpr uint32_t kChild = 0x4C;
inline constexpr uint32_t kClassId = 0x50;
inline constexpr uint32_t kStart = 0x74;
inline constexpr uint32_t kSize = 0x78;
// Header field offsets.
inline constexpr uint32_t kSectorShift = 0x1E;
inline constexpr uint32_t kMiniSectorShift = 0x20;
inline constexpr uint32_t kFatCount = 0x2C;
inline constexpr uint32_t kFirstDir = 0x30;
inline constexpr uint32_t kCutoff = 0x38;
inline constexpr uint32_t kFirstMiniFat = 0x3C;
inline constexpr uint32_t kMiniFatCount = 0x40;
inline constexpr uint32_t kFirstDifat = 0x44;
inline constexpr uint32_t kDifatCount = 0x48;
inline constexpr uint32_t kHeaderDifat = 0x4C;
}  // namespace cfbc

// Where a stream's bytes go.
struct StreamPlacement {
  enum class Kind { Auto, Regular, Mini };
  Kind kind = Kind::Auto;                 // Auto: mini when 0 < size < cutoff
  std::optional<uint32_t> firstSector;    // regular: lowest sector of the chain (sectors before stay free)
  bool reverseChain = false;              // the chain runs from its highest sector down to its lowest
};

// How a storage's children are linked.
enum class TreeShape {
  Balanced,    // a balanced red-black tree in the format's name order (length, then upper case)
  RightChain,  // every child the right sibling of the one before, in order of creation, all black
};

struct ByteRange {
  uint64_t offset = 0;
  uint64_t length = 0;
};

// A built file: its bytes and where everything lies, with edits for broken input.
struct CfbFile {
  struct Entry {
    std::u16string name;
    std::string path;       // "Macros/VBA/Module1"; "" for the root
    uint8_t type = 0;       // 1 storage, 2 stream, 5 root
    uint32_t parent = cfbc::kNoStream;
    bool mini = false;
    uint32_t size = 0;
    std::vector<uint32_t> sectors;  // chain in order: sector ids, or mini sector ids when mini
  };

  std::vector<uint8_t> bytes;
  std::vector<Entry> entries;  // by directory id
  std::vector<uint32_t> fatSectors, difatSectors, miniFatSectors, directorySectors, miniStreamSectors;
  uint32_t directoryEntryCount = 0;  // 4 x directory sectors

  static uint64_t SectorOffset(uint32_t sector) { return (static_cast<uint64_t>(sector) + 1) * cfbc::kSector; }
  // Directory id of a path ("" is the root); throws when absent.
  uint32_t IdOf(std::string_view path) const;
  // File offset of the 128 bytes of directory entry `id`.
  uint64_t EntryOffset(uint32_t id) const;
  // File ranges holding bytes [0, size) of stream `id`, in stream order.
  std::vector<ByteRange> StreamRanges(uint32_t id) const;
  // The bytes of stream `id` as laid out in the file (from the layout, not a parse).
  std::vector<uint8_t> StreamBytes(uint32_t id) const;

  uint32_t U32(uint64_t offset) const;
  uint32_t EntryU32(uint32_t id, uint32_t field) const { return U32(EntryOffset(id) + field); }

  // ---- edits for broken input ----
  void SetU16(uint64_t offset, uint16_t value);
  void SetU32(uint64_t offset, uint32_t value);
  void SetHeaderU16(uint32_t field, uint16_t value) { SetU16(field, value); }
  void SetHeaderU32(uint32_t field, uint32_t value) { SetU32(field, value); }
  void SetFatEntry(uint32_t sector, uint32_t next);
  void SetMiniFatEntry(uint32_t miniSector, uint32_t next);
  void SetEntryU32(uint32_t id, uint32_t field, uint32_t value);
  void SetEntryType(uint32_t id, uint8_t type);
  void Truncate(size_t size) { bytes.resize(size); }
  // Overwrites ranges with `value` (ranges come from StreamRanges, for expected images).
  void Fill(const std::vector<ByteRange>& ranges, uint8_t value);
  // Puts `data` at stream offset `offset` of stream `id`, through the layout (for expected
  // images of stream writes); throws when it does not fit in the stream.
  void PutStreamBytes(uint32_t id, uint64_t offset, const std::vector<uint8_t>& data);
};

class CfbBuilder {
 public:
  CfbBuilder();

  // Adds a stream at a '/'-separated path (UTF-8 names of at most 31 UTF-16 units); missing
  // storages on the way are created, and names compare without regard to ASCII case, as readers
  // find them. Ids are given in order of creation after the root (0). Throws
  // std::invalid_argument for an empty or overlong name, a name used twice, or a stream in
  // the way of a storage.
  uint32_t AddStream(std::string_view path, std::vector<uint8_t> bytes, StreamPlacement placement = {});
  uint32_t AddStorage(std::string_view path);
  // The class identifier of a storage ("" for the root), created when missing.
  CfbBuilder& SetClassId(std::string_view storagePath, const std::array<uint8_t, 16>& clsid);

  CfbBuilder& SetMiniCutoff(uint32_t cutoff);           // header field and the Auto rule (default 4096)
  CfbBuilder& SetMinDirectorySectors(uint32_t sectors);  // pads the directory with unused entries
  CfbBuilder& SetMinFatSectors(uint32_t sectors);        // more than 109 needs DIFAT sectors
  CfbBuilder& SetTreeShape(TreeShape shape);

  CfbFile BuildFile() const;
  std::vector<uint8_t> Build() const { return BuildFile().bytes; }

 private:
  struct Node {
    std::u16string name;
    std::string path;
    uint8_t type = 0;
    uint32_t parent = cfbc::kNoStream;
    std::vector<uint32_t> children;
    std::vector<uint8_t> data;
    StreamPlacement placement;
    std::array<uint8_t, 16> clsid{};
  };
  uint32_t FindOrAddStorage(uint32_t parent, std::u16string_view name, std::string path);
  std::vector<Node> nodes_;
  uint32_t cutoff_ = cfbc::kMiniCutoff;
  uint32_t minDirectorySectors_ = 1;
  uint32_t minFatSectors_ = 1;
  TreeShape shape_ = TreeShape::Balanced;
};

}  // namespace qv::writers
