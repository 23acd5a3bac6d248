// The samples through whole engine calls: each is reported under the test signature's
// name, quarantined, repaired (or its macros taken out), still a usable compound file or
// package afterwards, clean on a second scan, and restored byte for byte from quarantine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/include/scanvirus.h"
#include "tests/samples/compound_reading.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/system/system.h"
#include "tests/support/zip/package_builder.h"
#include "tools/samples/sample_documents.h"

#ifndef QV_SAMPLES_PROGRAM
#error "QV_SAMPLES_PROGRAM must name the quorvane-samples program"
#endif

namespace qv::test {
namespace {

namespace fs = std::filesystem;
constexpr char kRule[] = "Macro.Test.Signature";

struct Expected {
  const char* key;
  const char* logEnding;      // after the rule name
  const char* mainStream;     // compound samples: the stream the document opens with
  const char* projectEntry;   // packages: the part taken out (a VBA project cannot be repaired)
  bool loggedAsPackage = false;  // the finding is logged under the package, not a temporary file
};

constexpr Expected kExpected[] = {
    {"doc", " , killed", "WordDocument", nullptr},
    {"xls", " , killed", "Workbook", nullptr},
    {"xls4", " , killed", "Workbook", nullptr},
    {"docm", " , kill failed , deleted", nullptr, "word/vbaProject.bin"},
    {"xlsm", " , kill failed , deleted", nullptr, "xl/vbaProject.bin"},
    {"ppt", " , killed", "PowerPoint Document", nullptr},
    {"xlsm-enc", " , killed", "EncryptedPackage", nullptr},
    {"doc6", " , killed", "WordDocument", nullptr},
    {"xlsm4", " , killed", nullptr, "xl/macrosheets/sheet1.xml", true},
};

const samples::SampleInfo& Sample(const std::string& key) {
  for (const auto& s : samples::Samples()) {
    if (key == s.key) return s;
  }
  throw std::invalid_argument(key);
}

class SampleEndToEnd : public ::testing::TestWithParam<Expected> {
 protected:
  ProgramFolder program_;
  TempDir docs_;
};

TEST_P(SampleEndToEnd, IsDetectedRepairedAndRestored) {
  const Expected& e = GetParam();
  const samples::SampleInfo& sample = Sample(e.key);
  std::string error;
  ASSERT_TRUE(samples::WriteSample(sample, docs_.path(), &error)) << error;
  const fs::path doc = docs_ / sample.fileName;
  const std::vector<uint8_t> original = ReadFile(doc);

  const ExportCall call = CallScanFileVirus(U16(doc), 1);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, U16(std::string(kRule)));
  // A package's project part is scanned as a temporary file named after the package.
  const std::string logged =
      e.mainStream != nullptr || e.loggedAsPackage ? "  " + doc.string() : std::string(sample.fileName) + ".bin";
  EXPECT_NE(program_.ReadLog().find(logged + "  " + kRule + e.logEnding + "\n"), std::string::npos) << program_.ReadLog();
  // Every line carries the time the document was taken up (the pinned clock).
  std::istringstream log(program_.ReadLog());
  for (std::string line; std::getline(log, line);) EXPECT_TRUE(line.starts_with("2016-01-05 09:07:03  ")) << line;
  EXPECT_NE(ReadFile(doc), original);

  if (e.mainStream != nullptr) {
    const auto repaired = ReadCompound(doc);
    ASSERT_TRUE(repaired.has_value()) << "the repaired file is no longer a compound file";
    EXPECT_EQ(repaired->faults, std::vector<std::string>{});
    EXPECT_EQ(repaired->streams.count(e.mainStream), 1u);
    EXPECT_EQ(ReadFile(doc).size(), original.size()) << "repairs never move or shorten anything";
  } else {
    WriteFile(docs_ / "original.zip", original);
    const auto originalEntries = ReadPackage(docs_ / "original.zip");
    const auto repairedEntries = ReadPackage(doc);
    ASSERT_FALSE(repairedEntries.empty()) << "the repaired file is no longer a package";
    std::vector<std::string> expectedNames;
    for (const auto& entry : originalEntries) {
      if (entry.name != e.projectEntry) expectedNames.push_back(entry.name);
    }
    EXPECT_EQ(EntryNames(repairedEntries), expectedNames);
    for (const auto& entry : repairedEntries) {
      EXPECT_TRUE(entry.intact) << entry.name;
      // Relationship and content-type parts may lose their mention of the project part.
      // So may the workbook part lose the <sheet> of a removed macro sheet.
      if (entry.name.ends_with(".rels") || entry.name == "[Content_Types].xml" || entry.name == "xl/workbook.xml") continue;
      EXPECT_EQ(entry.data, FindEntry(originalEntries, entry.name)->data) << entry.name;
    }
  }
  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, u"") << "the repaired sample scans clean";

  const fs::path restored = docs_ / (std::string("restored-") + sample.fileName);
  ASSERT_EQ(ReVirFile(Sv(U16(program_.quarantine() / (std::string(sample.fileName) + ".vir"))), Sv(U16(restored))), 1);
  EXPECT_EQ(ReadFile(restored), original);
  EXPECT_EQ(CallScanFileVirus(U16(restored), 0).text, U16(std::string(kRule))) << "the restored sample is detected again";
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleEndToEnd, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<Expected>& info) {
                           std::string name = info.param.key;
                           std::replace(name.begin(), name.end(), '-', '_');  // "xlsm-enc": a test name has no dashes
                           return name;
                         });

TEST(SamplesProgram, WritesTheChosenSamplesAndRefusesUnknownNames) {
  TempDir dir;
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), QV_SAMPLES_PROGRAM);
    return RunProgram(args, {}, dir / "output.txt", dir / "errors.txt", std::chrono::seconds(60)).exitCode;
  };
  ASSERT_EQ(run({"-o", PathUtf8(dir.path()), "doc", "xlsm"}), 0);
  std::string error;
  for (const char* key : {"doc", "xlsm"}) {
    const samples::SampleInfo& s = Sample(key);
    TempDir expected;
    ASSERT_TRUE(samples::WriteSample(s, expected.path(), &error)) << error;
    EXPECT_EQ(ReadFile(dir / s.fileName), ReadFile(expected / s.fileName)) << s.fileName;
  }
  EXPECT_FALSE(Exists(dir / Sample("xls").fileName));
  EXPECT_NE(run({"-o", PathUtf8(dir.path()), "pptx"}), 0);
  ASSERT_EQ(run({"-o", PathUtf8(dir / "all")}), 0);
  for (const auto& s : samples::Samples()) EXPECT_TRUE(Exists(dir / "all" / s.fileName)) << s.fileName;
}

}  // namespace
}  // namespace qv::test
