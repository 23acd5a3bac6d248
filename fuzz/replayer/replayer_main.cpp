// Stands in for libFuzzer in normal builds: feeds every file of the given folders (or the
// given files) to LLVMFuzzerTestOneInput once, so that each seed corpus runs as a test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

int main(int argc, char** argv) {
  int inputs = 0, failures = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg)) {
        if (!entry.is_regular_file()) continue;
        failures += RunFile(entry.path());
        ++inputs;
      }
    } else {
      failures += RunFile(arg);
      ++inputs;
    }
  }
  std::printf("replayed %d inputs\n", inputs);
  if (inputs == 0) {
    std::fprintf(stderr, "no corpus inputs found\n");
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
