// quorvane-scan: finds the scanner and the engine beside itself and hands over to them.
// Nothing here links the engine, so a missing or damaged library is told in plain words.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kExitError = 2;
constexpr const char* kEngineLibrary = "libSCanVirus.so";
constexpr const char* kScannerLibrary = "libquorvane-cli.so";
constexpr const char* kEntry = "QuorvaneCliMain";

std::string ProgramFolder() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  const std::string path(buffer, static_cast<size_t>(n));
  const size_t cut = path.rfind('/');
  return cut == std::string::npos ? "." : path.substr(0, cut);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "quorvane-scan: %s\n", message.c_str());
  return kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = ProgramFolder();
  for (const char* name : {kEngineLibrary, kScannerLibrary}) {
    const std::string path = folder + "/" + name;
    if (::access(path.c_str(), R_OK) != 0) {
      return Fail(std::string(name == kEngineLibrary ? "the engine library" : "the scanner library") +
                  " is missing: " + path);
    }
  }
  void* scanner = ::dlopen((folder + "/" + kScannerLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (scanner == nullptr) return Fail(std::string("the engine cannot be loaded (damaged library?): ") + ::dlerror());
  using Entry = int (*)(int, char**);
  auto entry = reinterpret_cast<Entry>(::dlsym(scanner, kEntry));
  if (entry == nullptr) return Fail(std::string("the scanner library is damaged: no ") + kEntry);
  return entry(argc, argv);
}
