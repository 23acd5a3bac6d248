// The floor of a whole run: walks folders and reads every file whole into memory (open,
// read, close), as any scanner must at least do. Prints the number of files and bytes.
//   floor_read FOLDER...
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  uint64_t files = 0, bytes = 0;
  std::vector<char> buffer(1 << 20);
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(argv[i], ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      // The whole file in memory at once, as the engine holds a document.
      size_t used = 0;
      for (;;) {
        if (used == buffer.size()) buffer.resize(buffer.size() * 2);
        const ssize_t got = ::read(fd, buffer.data() + used, buffer.size() - used);
        if (got <= 0) break;
        used += static_cast<size_t>(got);
      }
      ::close(fd);
      ++files;
      bytes += used;
    }
  }
  std::printf("%llu files, %llu bytes\n", static_cast<unsigned long long>(files), static_cast<unsigned long long>(bytes));
  return 0;
}
