// Encrypted Office packages: the writer's output deciphered by an independent script, the
// engine's reader against the writer (right and wrong passwords, damaged headers, cut
// streams), and whole engine calls on default-password and other-password workbooks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/common/capacities.h"
#include "engine/crypto/package_cipher.h"
#include "engine/include/scan_engine.h"
#include "engine/storage/compound_file.h"
#include "tests/support/doc/doc_harness.h"
#include "tests/support/engine/program_folder.h"
#include "writers/cfb/compound_writer.h"
#include "writers/crypto/encrypted_package_writer.h"
#include "writers/zip/package_writer.h"

#ifndef QV_INDEPENDENT_DECRYPT
#error "QV_INDEPENDENT_DECRYPT must name independent_decrypt.py"
#endif

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using writers::Bytes;
using writers::PackageEncryption;
constexpr char kRule[] = "Macro.Test.Signature";

Bytes Workbook(bool infected) {
  TempDir dir;
  const std::string code = infected ? "Sub Auto_Open()\r\n    ' QUORVANE-MACRO-TEST-SIGNATURE\r\nEnd Sub\r\n"
                                    : "Sub Tidy()\r\nEnd Sub\r\n";
  const Bytes project = writers::BuildProjectPart({writers::ovba::CodeModule("Module1", code)}, "VBAProject");
  writers::WritePackage(dir / "book.xlsm", writers::ExcelPackageParts("text", project));
  return ReadFile(dir / "book.xlsm");
}

writers::EncryptedPackageOptions Options(PackageEncryption method, std::u16string password = u"VelvetSweatshop") {
  writers::EncryptedPackageOptions o;
  o.method = method;
  o.password = std::move(password);
  o.spinCount = 1000;  // keeps the test quick; the engine reads the count from the file
  return o;
}

class EncryptedPackageTest : public ::testing::TestWithParam<PackageEncryption> {};

// independent_decrypt.py runs with the build machine's Python; the Windows test programs run
// under Wine, which has none (there the primitives meet published vectors, primitives_test.cpp).
#ifdef _WIN32
constexpr bool kIndependentDecrypt = false;
#else
constexpr bool kIndependentDecrypt = true;
#endif

TEST_P(EncryptedPackageTest, AnIndependentDecryptionAgreesWithTheWriter) {
  if (!kIndependentDecrypt) GTEST_SKIP() << "no Python to run independent_decrypt.py on this platform";
  TempDir dir;
  const Bytes package = Workbook(false);
  const auto streams = writers::EncryptPackageStreams(package, Options(GetParam()));
  WriteFile(dir / "info", streams.encryptionInfo);
  WriteFile(dir / "package", streams.encryptedPackage);
  WriteFile(dir / "expected", package);
  auto run = [&](const std::string& password) {
    const std::string command = "python3 '" + std::string(QV_INDEPENDENT_DECRYPT) + "' '" + (dir / "info").string() +
                                "' '" + (dir / "package").string() + "' '" + password + "' '" +
                                (dir / "expected").string() + "' > /dev/null";
    return std::system(command.c_str());
  };
  EXPECT_EQ(run("VelvetSweatshop"), 0);
  EXPECT_NE(run("velvetsweatshop"), 0) << "the script can tell a wrong password";
}

TEST_P(EncryptedPackageTest, TheReaderOpensWhatTheWriterCloses) {
  const Bytes package = Workbook(false);
  const auto streams = writers::EncryptPackageStreams(package, Options(GetParam()));
  const auto info = crypto::ParseEncryptionInfo(ByteReader(streams.encryptionInfo.data(), streams.encryptionInfo.size()));
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(std::holds_alternative<crypto::StandardInfo>(*info), GetParam() == PackageEncryption::Standard);
  EXPECT_FALSE(crypto::UnlockPackage(*info, u"another password").has_value());
  const auto key = crypto::UnlockPackage(*info, crypto::kDefaultPassword);
  ASSERT_TRUE(key.has_value());
  const ByteReader stream(streams.encryptedPackage.data(), streams.encryptedPackage.size());
  EXPECT_EQ(crypto::DecryptPackage(*key, stream, cap::kMaxEncryptedPackageBytes), std::optional<Bytes>(package));
  // Re-enciphering with the same key gives the same stream back (the method and key are kept).
  EXPECT_EQ(crypto::EncryptPackage(*key, package), std::optional<Bytes>(streams.encryptedPackage));
  // A stream cut short, or a package over the limit, is refused.
  EXPECT_FALSE(crypto::DecryptPackage(*key, stream.Slice(0, stream.size() - 16), cap::kMaxEncryptedPackageBytes));
  EXPECT_FALSE(crypto::DecryptPackage(*key, stream, package.size() - 1));
  // Every cut of the header parses to nothing or to something that does not open with a
  // different key: never a crash, never a read past the end.
  for (size_t cut = 0; cut < streams.encryptionInfo.size(); cut += 5) {
    const auto partial = crypto::ParseEncryptionInfo(ByteReader(streams.encryptionInfo.data(), cut));
    if (partial) EXPECT_GE(cut, 100u);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, EncryptedPackageTest,
                         ::testing::Values(PackageEncryption::Standard, PackageEncryption::Agile),
                         [](const auto& info) { return std::string(info.param == PackageEncryption::Standard ? "Standard" : "Agile"); });

TEST(Base64, RoundTripsAndRefusesForeignCharacters) {
  for (size_t n = 0; n < 70; ++n) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    EXPECT_EQ(crypto::DecodeBase64(crypto::EncodeBase64(bytes)), std::optional<Bytes>(bytes)) << n;
  }
  EXPECT_EQ(crypto::EncodeBase64(Bytes{'M', 'a', 'n'}), "TWFu");
  EXPECT_EQ(crypto::EncodeBase64(Bytes{'M'}), "TQ==");
  EXPECT_FALSE(crypto::DecodeBase64("TW Fu").has_value());
  EXPECT_FALSE(crypto::DecodeBase64("T").has_value());
}

class EncryptedScanTest : public ::testing::TestWithParam<PackageEncryption> {
 protected:
  fs::path Place(const Bytes& bytes) {
    const fs::path path = docs_ / "Book.xlsm";
    WriteFile(path, bytes);
    return path;
  }
  api::ScanOutcome Scan(const fs::path& path, bool repair) {
    api::ScanOptions options;
    options.repair = repair;
    return api::ScanPath(U16(path), options);
  }
  ProgramFolder program_;
  TempDir docs_;
};

TEST_P(EncryptedScanTest, ADefaultPasswordWorkbookIsDecipheredAndScanned) {
  const Bytes original = writers::BuildEncryptedPackage(Workbook(true), Options(GetParam()));
  const fs::path doc = Place(original);
  const auto outcome = Scan(doc, false);
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_EQ(outcome.findings[0].path, U16(doc));
  EXPECT_EQ(outcome.findings[0].ruleName, kRule);
  EXPECT_TRUE(outcome.skipped.empty());
  EXPECT_EQ(ReadFile(doc), original);

  const Bytes clean = writers::BuildEncryptedPackage(Workbook(false), Options(GetParam()));
  WriteFile(doc, clean);
  const auto cleanOutcome = Scan(doc, true);
  EXPECT_TRUE(cleanOutcome.findings.empty());
  EXPECT_TRUE(cleanOutcome.skipped.empty());
  EXPECT_EQ(ReadFile(doc), clean);
}

TEST_P(EncryptedScanTest, AnInfectedOneIsRepairedAndEncipheredAgainInPlace) {
  const Bytes original = writers::BuildEncryptedPackage(Workbook(true), Options(GetParam()));
  const fs::path doc = Place(original);
  const auto outcome = Scan(doc, true);
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_EQ(outcome.findings[0].action, api::Action::Repaired);
  ASSERT_TRUE(Exists(doc));
  EXPECT_EQ(ReadFile(doc).size(), original.size()) << "nothing is shortened or extended";
  EXPECT_TRUE(Scan(doc, true).findings.empty()) << "a second scan finds nothing";

  // The repaired streams open with the default password, by the engine's reader and by the
  // independent script (which also checks the renewed data integrity HMAC).
  const Bytes repaired = ReadFile(doc);
  test::DocHarness harness(repaired, test::ReadMode::Memory);
  ASSERT_EQ(harness.Open(), 1);
  const auto info = harness.ReadWhole(static_cast<uint32_t>(FindEntry(harness.doc(), 0, u"EncryptionInfo")));
  const auto stream = harness.ReadWhole(static_cast<uint32_t>(FindEntry(harness.doc(), 0, u"EncryptedPackage")));
  ASSERT_TRUE(info && stream);
  const auto parsed = crypto::ParseEncryptionInfo(ByteReader(info->data(), info->size()));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(std::holds_alternative<crypto::StandardInfo>(*parsed), GetParam() == PackageEncryption::Standard);
  const auto key = crypto::UnlockPackage(*parsed, crypto::kDefaultPassword);
  ASSERT_TRUE(key.has_value());
  const auto package = crypto::DecryptPackage(*key, ByteReader(stream->data(), stream->size()), cap::kMaxEncryptedPackageBytes);
  ASSERT_TRUE(package.has_value());
  EXPECT_EQ((*package)[0], 'P') << "a zip package";
  WriteFile(docs_ / "info", *info);
  WriteFile(docs_ / "stream", *stream);
  WriteFile(docs_ / "package", *package);
  const std::string command = "python3 '" + std::string(QV_INDEPENDENT_DECRYPT) + "' '" + (docs_ / "info").string() +
                              "' '" + (docs_ / "stream").string() + "' VelvetSweatshop '" +
                              (docs_ / "package").string() + "' > /dev/null";
  if (kIndependentDecrypt) EXPECT_EQ(std::system(command.c_str()), 0);

  const fs::path restored = docs_ / "restored.xlsm";
  ASSERT_TRUE(api::RestoreQuarantineCopy(U16(program_.quarantine() / "Book.xlsm.vir"), U16(restored)));
  EXPECT_EQ(ReadFile(restored), original);
}

TEST_P(EncryptedScanTest, AnotherPasswordOrACutStreamIsReportedAsNotExamined) {
  const Bytes other = writers::BuildEncryptedPackage(Workbook(true), Options(GetParam(), u"secret"));
  const fs::path doc = Place(other);
  auto outcome = Scan(doc, true);
  EXPECT_TRUE(outcome.findings.empty());
  ASSERT_EQ(outcome.skipped.size(), 1u);
  EXPECT_EQ(outcome.skipped[0].path, U16(doc));
  EXPECT_EQ(outcome.skipped[0].reason, "encrypted");
  EXPECT_EQ(ReadFile(doc), other);

  // The package declares more bytes than its stream holds.
  auto streams = writers::EncryptPackageStreams(Workbook(true), Options(GetParam()));
  streams.encryptedPackage[0] = 0xFF;
  streams.encryptedPackage[1] = 0xFF;
  writers::CfbBuilder writer;
  writer.AddStream("EncryptionInfo", streams.encryptionInfo);
  writer.AddStream("EncryptedPackage", streams.encryptedPackage);
  WriteFile(doc, writer.Build());
  outcome = Scan(doc, true);
  EXPECT_TRUE(outcome.findings.empty());
  ASSERT_EQ(outcome.skipped.size(), 1u);
  EXPECT_EQ(outcome.skipped[0].reason, "damaged");
}

// The deciphered package is held to the rule every package is: every project part is
// scanned, duplicates included, and when its own walk cannot look at every one the encrypted
// document is reported as not examined, never as clean.
TEST_P(EncryptedScanTest, AnInnerPackageIsScannedWholeOrReportedAsNotExamined) {
  const std::string code = "Sub Auto_Open()\r\n    ' QUORVANE-MACRO-TEST-SIGNATURE\r\nEnd Sub\r\n";
  const Bytes infected = writers::BuildProjectPart({writers::ovba::CodeModule("Module1", code)}, "VBAProject");
  const Bytes clean = writers::BuildProjectPart({writers::ovba::CodeModule("Module1", "Sub Tidy()\r\nEnd Sub\r\n")}, "VBAProject");
  Bytes padded = infected;
  padded.resize(padded.size() + 2 * cap::kRatioFreeBytes, 0);  // inflates far past the ratio bound
  struct Case {
    const char* label;
    std::vector<writers::PackagePart> parts;
    const char* reason;  // nullptr: found, and in repair mode unrepairable
  };
  auto withPart = [](std::vector<writers::PackagePart> parts, const std::string& name, const Bytes& bytes) {
    parts.push_back({name, bytes});
    return parts;
  };
  const std::vector<Case> cases = {
      {"ProjectPartPastTheRatioBound", {{"xl/workbook.xml", Bytes{'<', 'w', '/', '>'}}, {"xl/vbaProject.bin", padded}}, "too large"},
      {"CleanPartListedBeforeAnInfectedDuplicate", withPart(writers::ExcelPackageParts("text", clean), "xl/vbaProject.bin", infected),
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir inner;
    writers::WritePackage(inner / "inner.xlsm", c.parts);
    const Bytes original = writers::BuildEncryptedPackage(ReadFile(inner / "inner.xlsm"), Options(GetParam()));
    const fs::path doc = Place(original);
    for (bool repair : {false, true}) {
      SCOPED_TRACE(repair ? "repair" : "report only");
      const auto outcome = Scan(doc, repair);
      if (c.reason != nullptr) {
        EXPECT_TRUE(outcome.findings.empty()) << "the part that was looked at is clean";
        ASSERT_EQ(outcome.skipped.size(), 1u) << "passed off as clean";
        EXPECT_EQ(outcome.skipped[0].path, U16(doc));
        EXPECT_EQ(outcome.skipped[0].reason, c.reason);
        EXPECT_EQ(ReadFile(doc), original);
        continue;
      }
      EXPECT_TRUE(outcome.skipped.empty());
      ASSERT_EQ(outcome.findings.size(), 1u) << "the infected duplicate is scanned";
      EXPECT_EQ(outcome.findings[0].path, U16(doc));
      EXPECT_EQ(outcome.findings[0].ruleName, kRule);
      if (!repair) {
        EXPECT_EQ(outcome.findings[0].action, api::Action::Reported);
        EXPECT_EQ(ReadFile(doc), original);
      } else {
        // It cannot be put back: the document goes, its whole copy kept in the quarantine.
        EXPECT_EQ(outcome.findings[0].action, api::Action::Deleted);
        EXPECT_FALSE(Exists(doc));
        const fs::path restored = docs_ / "restored.xlsm";
        ASSERT_TRUE(api::RestoreQuarantineCopy(U16(program_.quarantine() / "Book.xlsm.vir"), U16(restored)));
        EXPECT_EQ(ReadFile(restored), original);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, EncryptedScanTest,
                         ::testing::Values(PackageEncryption::Standard, PackageEncryption::Agile),
                         [](const auto& info) { return std::string(info.param == PackageEncryption::Standard ? "Standard" : "Agile"); });

}  // namespace
}  // namespace qv::test
