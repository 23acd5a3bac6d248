// Writes the seed corpus of fuzz_ppt_records with the sample maker's presentation writer:
// a u16 length, the "Current User" stream, then the "PowerPoint Document" stream.
// Beside every seed go its damaged kin (fuzz/corpus_damage.h).
#include "fuzz/corpus_damage.h"
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/replayer/two_streams.h"
#include "writers/zip/package_writer.h"
#include "writers/ppt/presentation_writer.h"

using namespace qv::writers;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const PresentationStreams& s) {
  const Bytes out = qv::fuzzing::JoinTwoStreams(s.currentUser, s.document);
  qv::fuzzseed::WriteWithDamage(folder, name, out, 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_ppt_records_corpus FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const Bytes project = BuildProjectPart({ovba::CodeModule("Module1", "Sub A()\r\n    MsgBox 1\r\nEnd Sub\r\n")}, "VBAProject");
  Write(folder, "with_project", BuildPresentationStreams({project}));
  Write(folder, "without_project", BuildPresentationStreams({}));
  Presentation damaged{project};
  damaged.damagedDirectory = true;
  Write(folder, "damaged_directory", BuildPresentationStreams(damaged));
  Presentation slack{project};
  slack.recordSlack = 300;
  Write(folder, "record_slack", BuildPresentationStreams(slack));
  Presentation wrongSize{project};
  wrongSize.declaredSize = 100;
  Write(folder, "declared_short", BuildPresentationStreams(wrongSize));
  return 0;
}
