// Writes the seed corpus of fuzz_repair_journal with the engine's own journal and record
// writers: journals of one and two repairs, one cut in its last block, and leftover records
// with and without the file's identity.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/common/leftover_records.h"
#include "engine/common/repair_journal.h"

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream(folder / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

qv::JournalBlock Block(uint64_t offset, uint8_t before, uint8_t after, size_t length) {
  qv::JournalBlock block;
  block.documentPath = u"/home/user/文档/Report.doc";
  block.documentSize = 4608;
  block.ranges.push_back({offset, std::vector<uint8_t>(length, before), std::vector<uint8_t>(length, after)});
  block.ranges.push_back({offset + 1024, std::vector<uint8_t>(2, 0x11), std::vector<uint8_t>{0xFF, 0x40}});
  return block;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_repair_journal_corpus FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const std::vector<uint8_t> one = qv::SerializeJournalBlock(Block(512, 0x41, 0, 600));
  Write(folder, "journal_one_repair", one);
  std::vector<uint8_t> two = one;
  const std::vector<uint8_t> second = qv::SerializeJournalBlock(Block(2048, 0, 0x42, 64));
  two.insert(two.end(), second.begin(), second.end());
  Write(folder, "journal_two_repairs", two);
  two.resize(two.size() - 5);
  Write(folder, "journal_cut_short", two);
  Write(folder, "record_before_creation", qv::SerializeLeftoverRecord({u"/home/user/Report.docm.bin", std::nullopt}));
  Write(folder, "record_with_identity",
        qv::SerializeLeftoverRecord({u"/home/user/Report.docm.bin", std::make_pair(uint64_t{2049}, uint64_t{131077})}));
  return 0;
}
