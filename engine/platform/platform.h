// The engine's only door to the operating system: files, folders, time, console,
// code pages and the program's own path. Engine code never calls the OS directly;
// a Win32 implementation can sit behind the same declarations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::platform {

// Path separator of this platform; every "last separator" and "trailing separator" rule uses it.
#ifdef _WIN32
inline constexpr char16_t kSep = u'\\';
#else
inline constexpr char16_t kSep = u'/';
#endif

// ---- text --------------------------------------------------------------------------
// The narrow encoding of this platform (UTF-8 on POSIX, the ANSI code page on Windows).
// Characters that cannot be represented become '?'.
std::string ToNarrow(std::u16string_view text);
std::u16string FromNarrow(std::string_view text);
// UTF-8 on every platform (what the command line prints and reads). A byte that is not
// part of well-formed UTF-8 (a GBK file name on POSIX, say) becomes the lone surrogate
// U+DC80..U+DCFF and turns back into the same byte, so every name round-trips exactly; any
// other unpaired surrogate becomes '?'.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Whether a UTF-16 unit is such an escaped byte (U+DC80..U+DCFF).
bool IsEscapedByte(char16_t unit);

// ---- files ---------------------------------------------------------------------------
// An open file with positioned reads and writes. Moving only; closes on destruction.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Read and write access, existing regular file only. Fails for a file without write
  // permission. Never blocks: a FIFO or device put where a document was is refused.
  static std::optional<File> OpenReadWrite(const std::u16string& path);
  // Read access, existing regular file only; never blocks, as above.
  static std::optional<File> OpenRead(const std::u16string& path);
  // Write access; creates the file or empties an existing one.
  static std::optional<File> CreateTruncate(const std::u16string& path);
  // Write access; creates the file and fails when anything (a file, a link) has that name.
  // Private to the user (mode 0600): for copies of documents and work files.
  static std::optional<File> CreateExclusive(const std::u16string& path);
  // As CreateExclusive, but with the access an ordinary new file of the user gets (0666 less
  // the umask): for files handed back to the user.
  static std::optional<File> CreateNew(const std::u16string& path);

  bool IsOpen() const { return fd_ != -1; }
  // Number of bytes moved; short on end of file or error.
  size_t ReadAt(uint64_t offset, void* buffer, size_t length) const;
  size_t WriteAt(uint64_t offset, const void* buffer, size_t length);
  uint64_t Size() const;
  bool Flush();
  void Close();

  // Every change of access goes through the open descriptor, never through a name that
  // someone could have swapped for a link in between.
  // Whether the file is read-only (no owner write permission; the read-only attribute).
  bool IsReadOnly() const;
  // Sets or clears the read-only state; fails when this process may not.
  bool SetReadOnly(bool readOnly);
  // Gives this file the access permissions of `model`, and its owner and group where this
  // process may set them (a rebuilt document stays its owner's). True when the permissions
  // were set; owner and group are best effort.
  bool TakeAccessOf(const File& model);
  // (device, file) identity of the open file.
  std::optional<std::pair<uint64_t, uint64_t>> Identity() const;

 private:
  explicit File(intptr_t fd) : fd_(fd) {}
  static std::optional<File> Adopt(intptr_t fd);
  // A POSIX descriptor, or a Win32 handle (whose invalid value is also -1).
  intptr_t fd_ = -1;
};

enum class PathKind { Missing, File, Folder };
// Follows links, as the Windows attribute query does for the engine's purposes.
PathKind GetPathKind(const std::u16string& path);

bool ClearReadOnly(const std::u16string& path);  // make the file writable again
bool DeletePath(const std::u16string& path);     // a file, not a folder
bool CreateFolder(const std::u16string& path);   // fails when it exists
bool RemoveEmptyFolder(const std::u16string& path);
bool RenameReplace(const std::u16string& from, const std::u16string& to);  // atomic on one volume
// Whether anything has this name; a link counts itself, whatever it points to.
bool NameExists(const std::u16string& path);
// Whether the path's last component is a symbolic link (or a junction).
bool IsLink(const std::u16string& path);
// The path with every link and "."/".." resolved (the real file); empty on failure.
std::u16string RealPath(const std::u16string& path);
// Whether a folder (links resolved) is, or lies inside, a pseudo file system of the system
// (/proc, /sys, /dev and their kind): walks never enter one, for /proc/<pid>/cwd and the like
// lead back into the whole file system. Always false on Windows.
bool IsSystemPseudoFolder(const std::u16string& folder);
// Whether `path` (links resolved) is `root` or lies below it; `root` already real.
bool IsAtOrBelow(const std::u16string& path, const std::u16string& root);
// Identity of what a path names without following a link at its end.
std::optional<std::pair<uint64_t, uint64_t>> NameIdentity(const std::u16string& path);
// Absolute form of a path with "." and ".." resolved by name (links are not resolved);
// empty on failure.
std::u16string FullPath(const std::u16string& path);
// A plain file (links followed): not a folder, FIFO, socket or device.
bool IsRegularFile(const std::u16string& path);
// A FIFO, socket or device node (links followed): no document, and opening one may block
// forever or act on the device. False for what is missing or cannot be looked at.
bool IsSpecialFile(const std::u16string& path);
// Whether a folder can be listed; when not, the system's reason.
std::optional<std::string> FolderReadError(const std::u16string& path);
// Identity of the file or folder a path leads to (links followed), for visit guards.
std::optional<std::pair<uint64_t, uint64_t>> FileIdentity(const std::u16string& path);

// What tells a file's content apart without reading it: its identity, its size and the times
// of its last content and status changes (nanoseconds since 1970, the wall clock's scale).
// File times may advance in coarse steps: equal stamps mean equal content only when the last
// change lies well before the moment the content was read.
struct FileStamp {
  uint64_t device = 0, file = 0, size = 0;
  int64_t modifiedNs = 0, changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
// The stamp of the file a path leads to (links followed); nullopt when there is none.
std::optional<FileStamp> StampOf(const std::u16string& path);
// The wall clock now, in nanoseconds since 1970.
int64_t WallClockNs();

struct FolderEntry {
  std::u16string name;
  bool isFolder = false;
};
// Entries of a folder whose names match a pattern with '*' and '?', ASCII letters compared
// without regard to case; "*.*" and "*" match every name. "." and ".." are left out.
std::vector<FolderEntry> ListFolder(const std::u16string& folder, std::u16string_view pattern);
bool MatchesPattern(std::u16string_view name, std::u16string_view pattern);

// The user's temporary folder, with a trailing separator.
std::u16string TempFolder();
// Creates a fresh private folder (mode 0700) below TempFolder(); empty on failure.
std::u16string CreatePrivateTempFolder();
// Full path of the running program's main executable (not of a shared library).
std::u16string ProgramPath();
// The folder of ProgramPath(), with a trailing separator: where everything that ships lies.
std::u16string ProgramFolder();
// The part of a path after its last separator (the whole path when there is none), and
// the part up to and including it (empty when there is none).
std::u16string FileNamePart(const std::u16string& path);
std::u16string FolderPart(const std::u16string& path);
// Roots of the local removable and fixed drives (block-device mounts).
std::vector<std::u16string> LocalDriveRoots();

// ---- durability, locks and leftovers ----------------------------------------------------
// Makes the entries of a folder (files created, renamed or removed in it) durable. True on
// success, and where the file system keeps them durable by itself.
bool FlushFolder(const std::u16string& folder);
// Renames within one volume and fails when anything (not even a dangling link) has the name
// `to`: nothing is replaced; atomic.
bool RenameNoReplace(const std::u16string& from, const std::u16string& to);

// An exclusive lock on a lock file, held until Release or destruction. The system drops it
// when the holder ends, however it ends (a killed process holds nothing).
class FileLock {
 public:
  enum class Result { Acquired, Busy, Failed };
  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // Creates the lock file when missing (never through a link). Busy: another holder has it.
  Result TryAcquire(const std::u16string& lockPath);
  bool Held() const { return handle_ != -1; }
  void Release();

 private:
  intptr_t handle_ = -1;
};

// Removes this user's private temporary folders (CreatePrivateTempFolder) whose making process
// has ended, with the files in them. Answers how many folders were removed.
int RemoveStaleTempFolders();
void SleepMilliseconds(int milliseconds);

// ---- per-user folders ------------------------------------------------------------------
// True when this process may create files in the folder (it exists and is writable).
bool CanCreateFilesIn(const std::u16string& folder);
// The user's own data folder, with a trailing separator: $XDG_DATA_HOME when it is an
// absolute path, else ~/.local/share/. Empty where the platform keeps everything beside the
// program (Windows) or no home folder is known.
std::u16string UserDataFolder();
// Creates a folder and every missing folder above it. Folders made here are private to the
// user (mode 0700): they hold copies of the user's documents. True when the folder exists
// afterwards.
bool CreatePrivateFolderTree(const std::u16string& path);

// ---- text log ------------------------------------------------------------------------
// A buffered text stream opened for appending ("a+"); "\n" is written as this platform's
// line ending.
class AppendLog {
 public:
  AppendLog() = default;
  ~AppendLog();
  AppendLog(const AppendLog&) = delete;
  AppendLog& operator=(const AppendLog&) = delete;
  // Opens without following a link put in the log's place; only a regular file is taken.
  bool Open(const std::u16string& path);
  bool IsOpen() const { return stream_ != nullptr; }
  void Write(std::string_view text);
  void Flush();
  void Close();
  // Whether any line since Open could not be written (a full disk, say).
  bool WriteFailed() const { return failed_; }

 private:
  void* stream_ = nullptr;  // FILE*
  bool failed_ = false;
};

// ---- time ----------------------------------------------------------------------------
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime Now();

// ---- console -------------------------------------------------------------------------
// Largest possible window width of the console on standard output; nullopt when standard
// output is not a console.
std::optional<int16_t> ConsoleMaxWidth();
enum class ConsoleColour { Normal = 7, BrightRed = 12 };
void SetConsoleColour(ConsoleColour colour);  // only when standard output is a terminal
void ConsoleWrite(std::string_view text);     // standard output, unbuffered by the engine
bool StdoutIsTerminal();
bool StderrIsTerminal();
// Columns of the terminal window on standard error (where a front end draws its progress
// line); nullopt when standard error is not a terminal or says no width.
std::optional<int> StderrTerminalWidth();

// ---- test seams ------------------------------------------------------------------------
// Tests pin the program path, the clock and the console width. Production never calls these.
namespace testing {
void OverrideProgramPath(std::optional<std::u16string> path);
void OverrideClock(std::optional<LocalTime> time);
// nullopt = no console; a value = a console of that width.
void OverrideConsoleWidth(std::optional<std::optional<int16_t>> width);
}  // namespace testing

// Marks a point where another process could change the file system under the engine (a
// name swapped for a link between two steps). Does nothing unless a test set the fault hook
// (fault_injection.h), which hears FaultSite::RaceWindow with the window's name.
void RaceWindow(std::string_view window);

}  // namespace qv::platform
