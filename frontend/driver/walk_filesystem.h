// The file-system library the scan run driver walks folders with: boost::filesystem, as the
// front end has always used; on Windows, where boost is not at hand for the cross build,
// the standard library's std::filesystem, whose interface is the same. Paths cross from and
// to UTF-16 here, so that every character of a Windows name survives.
#pragma once

#include <string>

#ifdef _WIN32
#include <filesystem>
#include <system_error>
#else
#include <boost/filesystem.hpp>
#endif

#include "engine/platform/platform.h"

namespace qv::frontend::walkfs {

#ifdef _WIN32
namespace fs = std::filesystem;
using error_code = std::error_code;
using filesystem_error = fs::filesystem_error;
inline fs::path ToFsPath(const std::u16string& path) { return fs::path(path); }
inline std::u16string FromFsPath(const fs::path& path) { return path.u16string(); }
inline fs::path SystemComplete(const fs::path& path) { return fs::absolute(path); }
inline bool IsUnreadable(fs::file_type type) {
  return type == fs::file_type::none || type == fs::file_type::not_found;
}
// A FIFO, socket or device node: no document, and opening one may block forever.
inline bool IsSpecialType(fs::file_type type) {
  return type == fs::file_type::fifo || type == fs::file_type::socket || type == fs::file_type::block ||
         type == fs::file_type::character;
}
#else
namespace fs = boost::filesystem;
using error_code = boost::system::error_code;
using filesystem_error = fs::filesystem_error;
inline fs::path ToFsPath(const std::u16string& path) { return fs::path(platform::ToNarrow(path)); }
inline std::u16string FromFsPath(const fs::path& path) { return platform::FromNarrow(path.string()); }
inline fs::path SystemComplete(const fs::path& path) { return fs::system_complete(path); }
inline bool IsUnreadable(fs::file_type type) { return type == fs::status_error || type == fs::file_not_found; }
inline bool IsSpecialType(fs::file_type type) {
  return type == fs::fifo_file || type == fs::socket_file || type == fs::block_file || type == fs::character_file;
}
#endif

}  // namespace qv::frontend::walkfs
