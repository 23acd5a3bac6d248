#include "engine/zip/package_io.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/common/byte_reader.h"

namespace qv::zip {
namespace {

// minizip reads headers a few bytes at a time; they are served from a window of this size.
constexpr size_t kReadWindow = 64 * 1024;

PackageStream* StreamOf(voidpf stream) { return static_cast<PackageStream*>(stream); }

voidpf ZCALLBACK OpenStream(voidpf opaque, const void* /*name*/, int /*mode*/) {
  auto* stream = static_cast<PackageStream*>(opaque);
  if (stream == nullptr || stream->file == nullptr || !stream->file->IsOpen()) return nullptr;
  stream->position = 0;
  stream->failed = false;
  return stream;
}

bool WindowCovers(const PackageStream& stream, uint64_t at, size_t size) {
  if (at < stream.windowStart) return false;
  const uint64_t offset = at - stream.windowStart;
  return offset <= stream.windowLength && size <= stream.windowLength - offset;
}

// Fills the window with the aligned block around `at` (so that minizip's backward steps
// through the end of the archive stay inside it), or from `at` when a read crosses blocks.
void RefillWindow(PackageStream& stream, uint64_t at, size_t size) {
  stream.window.resize(kReadWindow);
  stream.windowStart = at - at % kReadWindow;
  if (size > kReadWindow - at % kReadWindow) stream.windowStart = at;
  stream.windowLength = stream.file->ReadAt(stream.windowStart, stream.window.data(), kReadWindow);
  if (stream.windowLength < kReadWindow) stream.knownEnd = stream.windowStart + stream.windowLength;
}

// Small reads are served from the window; large reads go straight to the file.
uLong ZCALLBACK ReadStream(voidpf, voidpf handle, void* buffer, uLong size) {
  PackageStream* stream = StreamOf(handle);
  const uint64_t at = stream->position;
  size_t got = 0;
  if (at >= stream->knownEnd) {
    got = 0;  // damaged headers make minizip read on past the end, a byte at a time
  } else if (size >= kReadWindow) {
    got = stream->file->ReadAt(at, buffer, size);
  } else {
    if (!WindowCovers(*stream, at, size)) RefillWindow(*stream, at, size);
    // The part of the request that the window holds, copied through the checked reader.
    const ByteReader window(stream->window.data(), std::min<size_t>(stream->windowLength, stream->window.size()));
    if (at >= stream->windowStart && at - stream->windowStart < window.size()) {
      const uint64_t offset = at - stream->windowStart;
      const size_t held = std::min<size_t>(size, static_cast<size_t>(window.size() - offset));
      if (window.Copy(offset, buffer, held)) got = held;
    }
  }
  stream->position += got;
  return static_cast<uLong>(got);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf handle, const void* buffer, uLong size) {
  PackageStream* stream = StreamOf(handle);
  stream->windowLength = 0;  // the file changes under the window
  stream->knownEnd = UINT64_MAX;
  const size_t put = stream->file->WriteAt(stream->position, buffer, size);
  stream->position += put;
  if (put != size) stream->failed = true;
  return static_cast<uLong>(put);
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf handle) { return StreamOf(handle)->position; }

long ZCALLBACK SeekStream(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
  PackageStream* stream = StreamOf(handle);
  uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = stream->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = stream->file->Size(); break;
    default: return -1;
  }
  if (offset > std::numeric_limits<uint64_t>::max() - base) return -1;
  stream->position = base + offset;
  return 0;
}

// The file belongs to the caller, which closes it after minizip has let go.
int ZCALLBACK CloseStream(voidpf, voidpf) { return 0; }

int ZCALLBACK StreamError(voidpf, voidpf handle) { return StreamOf(handle)->failed ? 1 : 0; }

}  // namespace

zlib_filefunc64_def PackageFileFunctions(PackageStream& stream) {
  zlib_filefunc64_def functions{};
  functions.zopen64_file = OpenStream;
  functions.zread_file = ReadStream;
  functions.zwrite_file = WriteStream;
  functions.ztell64_file = TellStream;
  functions.zseek64_file = SeekStream;
  functions.zclose_file = CloseStream;
  functions.zerror_file = StreamError;
  functions.opaque = &stream;
  return functions;
}

}  // namespace qv::zip
