// quorvane-samples: writes the harmless test samples.
//
//   quorvane-samples [-o FOLDER] [doc|xls|xls4|docm|xlsm|ppt|xlsm-enc ...]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "quorvane_version.h"
#include "tools/samples/sample_documents.h"

namespace {

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: quorvane-samples [-o FOLDER] [SAMPLE ...]\n"
               "Writes harmless documents whose macro holds the test string %s,\n"
               "so that detection, quarantine, repair and restore can be tried safely.\n"
               "Without SAMPLE names, all are written (into the current folder without -o):\n",
               qv::samples::kTestString);
  for (const auto& s : qv::samples::Samples()) std::fprintf(to, "  %-8s %-30s %s\n", s.key, s.fileName, s.description);
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path folder = ".";
  std::vector<const qv::samples::SampleInfo*> chosen;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      Usage(stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("quorvane-samples %s\n", QUORVANE_VERSION);
      return 0;
    }
    if (arg == "-o") {
      if (++i == argc) {
        Usage(stderr);
        return 2;
      }
      folder = argv[i];
      continue;
    }
    const qv::samples::SampleInfo* found = nullptr;
    for (const auto& s : qv::samples::Samples()) {
      if (arg == s.key) found = &s;
    }
    if (found == nullptr) {
      std::fprintf(stderr, "quorvane-samples: unknown sample '%s'\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
    chosen.push_back(found);
  }
  if (chosen.empty()) {
    for (const auto& s : qv::samples::Samples()) chosen.push_back(&s);
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (const auto* s : chosen) {
    std::string error;
    if (!qv::samples::WriteSample(*s, folder, &error)) {
      std::fprintf(stderr, "quorvane-samples: %s\n", error.c_str());
      return 2;
    }
    std::printf("%s\n", (folder / s->fileName).string().c_str());
  }
  return 0;
}
