// quorvane-scan: finds the scanner and the engine beside itself and hands over to them.
// Nothing here links the engine (only its platform layer, for the program's own folder and
// the file checks), so a missing or damaged library is told in plain words.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "engine/platform/platform.h"

namespace {

constexpr int kExitError = 2;
constexpr const char* kEngineLibrary = "libSCanVirus.so";
constexpr const char* kScannerLibrary = "libquorvane-cli.so";
constexpr const char* kEntry = "QuorvaneCliMain";

// The program's folder, with a trailing separator.
std::string ProgramFolder() {
  const std::u16string folder = qv::platform::ProgramFolder();
  return folder.empty() ? "./" : qv::platform::ToNarrow(folder);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "quorvane-scan: %s\n", message.c_str());
  return kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = ProgramFolder();
  for (const char* name : {kEngineLibrary, kScannerLibrary}) {
    const std::string path = folder + name;
    if (!qv::platform::File::OpenRead(qv::platform::FromNarrow(path))) {
      return Fail(std::string(name == kEngineLibrary ? "the engine library" : "the scanner library") +
                  " is missing: " + path);
    }
  }
  void* scanner = ::dlopen((folder + kScannerLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (scanner == nullptr) return Fail(std::string("the engine cannot be loaded (damaged library?): ") + ::dlerror());
  using Entry = int (*)(int, char**);
  auto entry = reinterpret_cast<Entry>(::dlsym(scanner, kEntry));
  if (entry == nullptr) return Fail(std::string("the scanner library is damaged: no ") + kEntry);
  return entry(argc, argv);
}
