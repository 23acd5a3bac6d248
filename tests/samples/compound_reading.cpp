#include "tests/samples/compound_reading.h"

#include <cctype>
#include <memory>

#include "engine/common/work_area.h"
#include "engine/flow/call_flow.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/streams.h"
#include "tests/support/engine/program_folder.h"
#include "writers/cfb/compound_writer.h"

namespace qv::test {
namespace {

using writers::cfbc::kColor;
using writers::cfbc::kNoStream;
using writers::cfbc::kRed;

std::string Narrow(const std::u16string& name) { return std::string(name.begin(), name.end()); }

// The format's name order: shorter first, then by upper-cased characters.
int CompareNames(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    const int d = std::toupper(static_cast<unsigned char>(a[i])) - std::toupper(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  return 0;
}

class Walker {
 public:
  Walker(DocFile& doc, CompoundContent& out) : doc_(doc), out_(out) {}

  // Walks the sibling tree at `id`; answers its black height (-1 after a fault).
  int Tree(uint32_t id, const std::string& folder, const std::string* low, const std::string* high, bool parentRed) {
    if (id == kNoStream) return 0;
    const DirEntry* e = EntryAt(doc_, id);
    if (e == nullptr || ++visits_ > 10000) {
      out_.faults.push_back(folder + ": link to a missing entry or a loop");
      return -1;
    }
    const std::string name = Narrow(EntryName(*e));
    const bool red = e->raw[kColor] == kRed;
    if ((low && CompareNames(*low, name) >= 0) || (high && CompareNames(name, *high) >= 0)) {
      out_.faults.push_back(folder + name + ": out of name order");
    }
    if (red && parentRed) out_.colourFaults.push_back(folder + name + ": red child of a red node");
    const int left = Tree(EntryLeftSibling(*e), folder, low, &name, red);
    const int right = Tree(EntryRightSibling(*e), folder, &name, high, red);
    if (left != right) out_.colourFaults.push_back(folder + name + ": black heights differ");
    Visit(id, *e, folder + name);
    return left < 0 || right < 0 ? -1 : left + (red ? 0 : 1);
  }

  void Children(uint32_t storageId, const std::string& folder) {
    const DirEntry* s = EntryAt(doc_, storageId);
    if (s == nullptr) return;
    const uint32_t root = EntryChild(*s);
    if (root != kNoStream && EntryAt(doc_, root) != nullptr && EntryAt(doc_, root)->raw[kColor] == kRed) {
      out_.colourFaults.push_back(folder + ": red tree root");
    }
    Tree(root, folder, nullptr, nullptr, false);
  }

 private:
  void Visit(uint32_t id, const DirEntry& e, const std::string& path) {
    if (EntryObjectType(e) == 1) {
      out_.storages.push_back(path);
      Children(id, path + "/");
    } else if (EntryObjectType(e) == 2) {
      std::vector<uint8_t> bytes(EntryStreamSize(e));
      if (!bytes.empty()) {
        if (OpenStream(doc_, id) != kStreamOpened || ReadStream(doc_, bytes.data(), static_cast<int32_t>(bytes.size())) !=
                                                         static_cast<int32_t>(bytes.size())) {
          out_.faults.push_back(path + ": stream cannot be read whole");
        }
        CloseStream(doc_);
      }
      out_.streams[path] = std::move(bytes);
    }
  }

  DocFile& doc_;
  CompoundContent& out_;
  int visits_ = 0;
};

}  // namespace

std::optional<CompoundContent> ReadCompound(const std::filesystem::path& path) {
  auto area = std::make_unique<WorkArea>();
  std::optional<CompoundContent> content;
  if (ExamineFile(*area, U16(path), 0) != 0 && area->docFile != nullptr) {
    content.emplace();
    Walker(*area->docFile, *content).Children(0, "");
  }
  if (area->docFile != nullptr) {
    CloseDocFile(*area->docFile);
    FreeDocFile(area->docFile);
    area->docFile = nullptr;
  }
  return content;
}

}  // namespace qv::test
