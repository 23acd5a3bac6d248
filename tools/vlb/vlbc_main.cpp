// vlbc: the signature compiler and dumper.
//   vlbc compile [-o OUT] SOURCE...   compile source files (or every *.vls in a folder)
//   vlbc dump [-o OUT] LIBRARY        print a library back in the source format
//   vlbc compile --body ...           write the deciphered body only (fuzz seeds, debugging)
//   vlbc --version | --help
// The build time comes from SOURCE_DATE_EPOCH when set (reproducible builds), else the clock.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/signature/signature_library.h"
#include "quorvane_version.h"
#include "tools/vlb/compiler.h"

namespace fs = std::filesystem;
using namespace qv::vlbc;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitSourceErrors = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: vlbc compile [--body] [-o OUT.vlb] SOURCE...   (a SOURCE folder means its *.vls files)\n"
    "       vlbc dump [-o OUT.vls] LIBRARY.vlb\n"
    "       vlbc --version | --help\n";

int Usage() {
  std::cerr << kUsage;
  return kExitUsage;
}

bool ReadFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Writes beside the target and renames, so that a failed run never leaves half a file.
bool WriteFile(const fs::path& path, const void* data, size_t size) {
  const fs::path temp = path.string() + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size))) return false;
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) fs::remove(temp, ec);
  return !ec;
}

LibraryTime BuildTime() {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (end != epoch && *end == '\0') return LibraryTime::FromUnixSeconds(seconds);
  }
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return LibraryTime::FromUnixSeconds(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

// Expands folders into their *.vls files (sorted by name) and reads everything.
bool CollectSources(const std::vector<std::string>& args, std::vector<SourceFile>& files) {
  for (const std::string& arg : args) {
    std::vector<fs::path> paths;
    if (fs::is_directory(arg)) {
      for (const auto& entry : fs::directory_iterator(arg)) {
        if (entry.is_regular_file() && entry.path().extension() == ".vls") paths.push_back(entry.path());
      }
      std::sort(paths.begin(), paths.end());
    } else {
      paths.emplace_back(arg);
    }
    for (const fs::path& path : paths) {
      SourceFile file{path.string(), {}};
      if (!ReadFile(path, file.content)) {
        std::cerr << "vlbc: cannot read " << path.string() << "\n";
        return false;
      }
      files.push_back(std::move(file));
    }
  }
  return true;
}

int Compile(const std::vector<std::string>& inputs, const std::string& output, bool bodyOnly) {
  std::vector<SourceFile> files;
  if (!CollectSources(inputs, files)) return kExitUsage;
  if (files.empty()) {
    std::cerr << "vlbc: no source files\n";
    return kExitUsage;
  }
  const CompileResult result = CompileSources(files, BuildTime());
  for (const std::string& error : result.errors) std::cerr << error << "\n";
  if (!result.Ok()) {
    std::cerr << "vlbc: " << result.errors.size() << " error(s); no library written\n";
    return kExitSourceErrors;
  }
  const std::vector<uint8_t> bytes =
      bodyOnly ? qv::DecipherLibraryBody(result.image.data(), result.image.size()) : result.image;
  if (!WriteFile(output, bytes.data(), bytes.size())) {
    std::cerr << "vlbc: cannot write " << output << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

int Dump(const std::string& input, const std::string& output) {
  std::string image;
  if (!ReadFile(input, image)) {
    std::cerr << "vlbc: cannot read " << input << "\n";
    return kExitUsage;
  }
  std::string error;
  const auto text = DumpLibrary(reinterpret_cast<const uint8_t*>(image.data()), image.size(), &error);
  if (!text) {
    std::cerr << "vlbc: " << input << ": " << error << "\n";
    return kExitSourceErrors;
  }
  if (output.empty()) {
    std::cout << *text;
    return std::cout.good() ? kExitOk : kExitUsage;
  }
  if (!WriteFile(output, text->data(), text->size())) {
    std::cerr << "vlbc: cannot write " << output << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  if (mode == "--version") {
    std::cout << "vlbc " QUORVANE_VERSION "\n";
    return kExitOk;
  }
  if (mode == "--help" || mode == "-h") {
    std::cout << kUsage;
    return kExitOk;
  }
  std::string output;
  std::vector<std::string> inputs;
  bool bodyOnly = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-o" && i + 1 < argc) {
      output = argv[++i];
    } else if (arg == "--body" && mode == "compile") {
      bodyOnly = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      inputs.push_back(arg);
    }
  }
  if (mode == "compile") {
    if (inputs.empty()) return Usage();
    return Compile(inputs, output.empty() ? "qzmacro.vlb" : output, bodyOnly);
  }
  if (mode == "dump" && inputs.size() == 1) return Dump(inputs[0], output);
  return Usage();
}
