#include "engine/zip/package_io.h"

#include <limits>

namespace qv::zip {
namespace {

PackageStream* StreamOf(voidpf stream) { return static_cast<PackageStream*>(stream); }

voidpf ZCALLBACK OpenStream(voidpf opaque, const void* /*name*/, int /*mode*/) {
  auto* stream = static_cast<PackageStream*>(opaque);
  if (stream == nullptr || stream->file == nullptr || !stream->file->IsOpen()) return nullptr;
  stream->position = 0;
  stream->failed = false;
  return stream;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf handle, void* buffer, uLong size) {
  PackageStream* stream = StreamOf(handle);
  const size_t got = stream->file->ReadAt(stream->position, buffer, size);
  stream->position += got;
  return static_cast<uLong>(got);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf handle, const void* buffer, uLong size) {
  PackageStream* stream = StreamOf(handle);
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
