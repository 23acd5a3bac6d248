// Test-only: a hook the platform layer asks right before every operation that changes a file,
// so that a test can make that operation fail (a full disk, a refused rename), kill the process
// right before it (a forked child that _exits at the Nth write), or act at one of the engine's
// race windows as another process could (sleep, or swap a file, before a permission change). Shipped programs never include this header and
// never set the hook; unset, each operation pays one relaxed atomic load.
#pragma once

#include <functional>
#include <string>

namespace qv::platform::testing {

enum class FaultSite {
  Write,        // File::WriteAt (no path: the file is known by its descriptor)
  Flush,        // File::Flush, FlushFolder (the folder's path)
  Create,       // CreateTruncate, CreateExclusive, CreateFolder
  Rename,       // RenameReplace, RenameNoReplace (the source path)
  Delete,       // DeletePath, RemoveEmptyFolder
  Permissions,  // ClearReadOnly (the changed path)
  Lock,         // FolderLock::TryAcquire (the lock file)
  RaceWindow,   // RaceWindow: a point where another process could change the file system (the
                // window's name as the path); the verdict is ignored, the hook acts there
};

enum class FaultVerdict { Proceed, Fail };

// `path` is empty where the platform holds only a descriptor.
using FaultHook = std::function<FaultVerdict(FaultSite site, const std::u16string& path)>;

// Installs the hook (an empty function removes it). Set it before the engine call it is meant
// for, from the thread that makes that call.
void SetFaultHook(FaultHook hook);

}  // namespace qv::platform::testing
