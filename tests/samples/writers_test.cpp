// The sample maker's writers checked against the engine's own readers: compound files read
// back stream for stream with well-formed sibling trees, compressed containers decompress to
// the text, VBA projects hold what the format asks for.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/storage/vba_decompress.h"
#include "tests/samples/compound_reading.h"
#include "tests/support/engine/program_folder.h"
#include "writers/cfb/compound_writer.h"
#include "writers/common/byte_sink.h"
#include "writers/ovba/compressor.h"
#include "writers/ovba/project_text.h"
#include "writers/ovba/vba_project.h"

namespace qv::test {
namespace {

using writers::Bytes;

Bytes Pattern(size_t size, uint32_t seed) {  // bytes with little repetition
  Bytes out(size);
  for (auto& b : out) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return out;
}

std::string Decompress(const Bytes& container) {
  EXPECT_FALSE(container.empty());
  EXPECT_EQ(container[0], 0x01) << "signature byte";
  std::vector<uint8_t> text(1 << 20);
  const DecompressResult r =
      DecompressContainer(ByteReader(container.data() + 1, container.size() - 1), std::span<uint8_t>(text));
  EXPECT_TRUE(r.ok());
  return std::string(text.begin(), text.begin() + r.produced);
}

TEST(CompoundWriter, TheEngineReadsBackEveryStreamThroughWellFormedTrees) {
  // Sizes around the mini-sector, sector and cutoff boundaries, several FAT sectors, nested
  // storages, and storages of 1 to 20 children (every tree shape up to four levels).
  std::map<std::string, Bytes> streams;
  uint32_t seed = 1;
  for (size_t size : {1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 70000}) {
    streams["Sizes/s" + std::to_string(size)] = Pattern(size, seed++);
  }
  streams["Deep/A/B/C/leaf"] = Pattern(100, seed++);
  streams["Empty"] = {};
  for (int count = 1; count <= 20; ++count) {
    for (int i = 0; i < count; ++i) {  // names of mixed length and case, to exercise the order
      const std::string name = std::string(1 + (i * 7) % 5, static_cast<char>((i % 2 ? 'a' : 'A') + i % 26)) + std::to_string(i);
      streams["Tree" + std::to_string(count) + "/" + name] = Pattern(10 + i, seed++);
    }
  }
  writers::CfbBuilder writer;
  for (const auto& [path, bytes] : streams) writer.AddStream(path, bytes);
  TempDir dir;
  WriteFile(dir / "file.cfb", writer.Build());

  const auto content = ReadCompound(dir / "file.cfb");
  ASSERT_TRUE(content.has_value());
  EXPECT_EQ(content->faults, std::vector<std::string>{});
  EXPECT_EQ(content->colourFaults, std::vector<std::string>{});
  EXPECT_EQ(content->streams, streams);
  EXPECT_NE(std::find(content->storages.begin(), content->storages.end(), "Deep/A/B/C"), content->storages.end());
}

TEST(CompoundWriter, RefusesPathsTheFormatCannotHold) {
  writers::CfbBuilder writer;
  writer.AddStream("A/b", {1});
  EXPECT_THROW(writer.AddStream("A/B", {2}), std::invalid_argument);  // names compare without case
  EXPECT_THROW(writer.AddStream("A/b/c", {3}), std::invalid_argument);  // a stream is no storage
  EXPECT_THROW(writer.AddStream(std::string(32, 'x'), {4}), std::invalid_argument);
  EXPECT_THROW(writer.AddStream("A//x", {5}), std::invalid_argument);
}

TEST(OvbaCompression, EngineDecompressesEveryContainerToTheText) {
  const std::string module = writers::ovba::ModuleSource("Module1", "Sub A()\r\n  MsgBox \"x\"\r\nEnd Sub\r\n");
  std::string repeated;
  while (repeated.size() < 20000) repeated += "    Cells(r, 3).Value = Cells(r, 2).Value * 1.19\r\n";
  const Bytes noisy = Pattern(4096, 7);
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"one byte", "A"},
      {"module source", module},
      {"one run longer than any copy token", std::string(9000, 'x')},
      {"exactly one chunk", repeated.substr(0, 4096)},
      {"one chunk and one byte", repeated.substr(0, 4097)},
      {"several chunks", repeated},
      {"a full chunk without repetition (stored raw)", std::string(noisy.begin(), noisy.end())},
      {"raw chunk then compressed chunk", std::string(noisy.begin(), noisy.end()) + repeated.substr(0, 300)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decompress(writers::ovba::Compress(c.text).bytes), c.text) << c.name;
  }
}

// The decipherment of the project protection values, written from the format: seed, version,
// key, ignored bytes, length, data, each byte combined with the two before it.
Bytes Decrypt(const std::string& hex, uint8_t& version, uint8_t& projKey) {
  Bytes enc;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) enc.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  const uint8_t seed = enc[0];
  version = seed ^ enc[1];
  projKey = seed ^ enc[2];
  uint8_t unencrypted1 = projKey, encrypted1 = enc[2], encrypted2 = enc[1];
  size_t at = 3;
  auto next = [&] {
    const uint8_t byteEnc = enc.at(at++);
    const uint8_t byte = byteEnc ^ static_cast<uint8_t>(encrypted2 + unencrypted1);
    encrypted2 = encrypted1;
    encrypted1 = byteEnc;
    unencrypted1 = byte;
    return byte;
  };
  for (int i = 0; i < (seed & 6) / 2; ++i) next();
  uint32_t length = 0;
  for (int i = 0; i < 4; ++i) length |= uint32_t{next()} << (8 * i);
  Bytes data;
  for (uint32_t i = 0; i < length; ++i) data.push_back(next());
  EXPECT_EQ(at, enc.size()) << "bytes after the data";
  return data;
}

TEST(VbaProject, ProtectionValuesDecipherToTheirData) {
  const std::string id = "{5C1D8C2E-7A43-4E0B-9D61-3F2A8B47C915}";
  uint8_t expectedKey = 0;
  for (char c : id) expectedKey = static_cast<uint8_t>(expectedKey + c);
  for (uint8_t seed : {0x00, 0x27, 0x41, 0x6C, 0xFF}) {  // 0 to 3 ignored bytes
    for (const Bytes& data : {Bytes{0, 0, 0, 0}, Bytes{0xFF}, Bytes{}}) {
      uint8_t version = 0, key = 0;
      EXPECT_EQ(Decrypt(writers::ovba::EncryptProjectData(data, id, seed), version, key), data) << int(seed);
      EXPECT_EQ(version, 2);
      EXPECT_EQ(key, expectedKey);
    }
  }
}

TEST(VbaProject, StreamsHoldTheProjectModulesAndTheirSource) {
  const std::vector<writers::ovba::ModuleSpec> modules = {
      writers::ovba::DocumentModule("ThisDocument", "1Normal.ThisDocument"),
      writers::ovba::CodeModule("Module1", "Sub A()\r\nEnd Sub\r\n")};
  std::map<std::string, Bytes> streams;
  for (const auto& s : writers::ovba::BuildVbaProject(modules, "Project").streams) streams[s.path] = s.bytes;
  ASSERT_EQ(streams.size(), 6u);
  const std::string project(streams["PROJECT"].begin(), streams["PROJECT"].end());
  for (const char* line : {"Document=ThisDocument/&H00000000\r\n", "Module=Module1\r\n", "Name=\"Project\"\r\n",
                           "CMG=\"", "DPB=\"", "GC=\"", "[Host Extender Info]\r\n"}) {
    EXPECT_NE(project.find(line), std::string::npos) << line;
  }
  const Bytes wm = streams["PROJECTwm"];
  auto entry = [](const std::string& name) {  // the name in the code page and in UTF-16, each terminated
    std::string out = name + '\0';
    for (char c : name) out += std::string{c, '\0'};
    return out + std::string(2, '\0');
  };
  const std::string expectedWm = entry("ThisDocument") + entry("Module1") + std::string(2, '\0');
  EXPECT_EQ(std::string(wm.begin(), wm.end()), expectedWm);
  EXPECT_EQ(streams["VBA/_VBA_PROJECT"], (Bytes{0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x03, 0x00}));
  const std::string dir = Decompress(streams["VBA/dir"]);
  EXPECT_EQ(dir.substr(0, 10), std::string("\x01\x00\x04\x00\x00\x00\x01\x00\x00\x00", 10));  // PROJECTSYSKIND
  EXPECT_EQ(dir.substr(dir.size() - 6), std::string("\x10\x00\x00\x00\x00\x00", 6));          // terminator
  EXPECT_NE(dir.find(std::string("\x0F\x00\x02\x00\x00\x00\x02\x00", 8)), std::string::npos);  // two modules
  for (const auto& m : modules) {
    EXPECT_EQ(Decompress(streams["VBA/" + m.name]), m.source) << m.name;
    EXPECT_EQ(m.source.rfind("Attribute VB_Name = \"" + m.name + "\"\r\n", 0), 0u);
  }
}

}  // namespace
}  // namespace qv::test
