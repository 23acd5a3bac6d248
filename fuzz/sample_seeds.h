// Every sample kind the sample maker writes, read back as bytes, for the seed corpora of the
// targets that take whole documents. Made by the sample maker's own writers (link qv_samples).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/samples/sample_documents.h"

namespace qv::fuzzseed {

struct SampleSeed {
  std::string fileName;
  std::vector<uint8_t> bytes;
  bool compound = false;  // starts with the compound-file signature; otherwise a zip package
};

inline std::vector<SampleSeed> SampleDocuments() {
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/qv-sample-seeds-XXXXXX";
  std::vector<SampleSeed> out;
  if (::mkdtemp(pattern) == nullptr) return out;
  const fs::path folder = pattern;
  for (const auto& sample : samples::Samples()) {
    std::string error;
    if (!samples::WriteSample(sample, folder, &error)) continue;
    std::ifstream in(folder / sample.fileName, std::ios::binary);
    SampleSeed seed{sample.fileName, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
    seed.compound = seed.bytes.size() >= 8 && seed.bytes[0] == 0xD0 && seed.bytes[1] == 0xCF;
    out.push_back(std::move(seed));
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  return out;
}

}  // namespace qv::fuzzseed
