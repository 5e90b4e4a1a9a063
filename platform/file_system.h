// What the all-or-nothing writer asks of the file system: facts about a
// path, new folders and files, syncs, renames, hard links, removal, and a
// lock on a folder. Paths are internal (see file_io.h). Each operation throws
// FileError naming the path and the reason when it fails.
#ifndef QUILLERY_PLATFORM_FILE_SYSTEM_H_
#define QUILLERY_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// What lstat tells of a path; a symbolic link is looked at, not followed.
struct PathFacts {
  bool exists = false;
  bool isRegular = false;
  bool isFolder = false;
  bool isLink = false;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // modification time, nanoseconds since 1970
  std::uint32_t mode = 0;       // permission bits
  std::uint64_t device = 0;     // the file system it lies on
  std::uint64_t inode = 0;
  std::uint64_t links = 0;  // names of the file (hard links)
};
// A path that does not exist gives `exists` false; other failures throw.
// Links on the way to the path are followed: for looking only.
[[nodiscard]] PathFacts LookAt(const std::string& path);

// The permission bits of a new file: read and write for all, less the
// process's file mask.
[[nodiscard]] std::uint32_t NewFileMode();

// The writer's operations, each on a path whose folder is opened once and
// then used through its handle. A folder is opened one name at a time from
// the root, and a symbolic link met on the way is never followed: the
// operation fails and says which name is a link. So a folder that is
// swapped for a link while a run works in it cannot take a write, a
// rename or a removal somewhere else; and nothing names "..". A folder's
// handle is dropped when the folder, or one above it, is renamed or
// removed through the same object, and opened afresh when next used.
// Safe to use from two threads at once.
class FolderHandles {
 public:
  FolderHandles();
  ~FolderHandles();
  FolderHandles(const FolderHandles&) = delete;
  FolderHandles& operator=(const FolderHandles&) = delete;

  // The facts of the path itself (a link is not followed). A path whose
  // folder does not exist gives `exists` false; a link on the way throws.
  [[nodiscard]] PathFacts LookAt(const std::string& path);
  // The names in a folder, "." and ".." left out.
  [[nodiscard]] std::vector<std::string> FolderEntries(const std::string& path);
  // The bytes of a regular file that is not a link, zero bytes included.
  // Throws when it is anything else or larger than `maxBytes`, so that a
  // FIFO or a huge file is never read.
  [[nodiscard]] std::string ReadFile(const std::string& path,
                                     std::uint64_t maxBytes);

  void MakeFolder(const std::string& path);
  // Creates the file, which must not exist yet (not even as a link), with
  // `mode` and `bytes`.
  void WriteNewFile(const std::string& path, std::string_view bytes,
                    std::uint32_t mode);
  // Creates `to`, which must not exist yet (not even as a link), with `mode` and the bytes of the
  // regular file `from` (never a link: that throws), copied by the system where it can.
  void CopyNewFile(const std::string& from, const std::string& to, std::uint32_t mode);
  // Makes everything written to the file system of `path` durable (syncfs).
  // Where there is no such call (the POSIX-only build), what this object
  // wrote: each file is synced as it is written, and here every folder that
  // gained a name through this object since the last call, and `path`.
  void SyncFileSystem(const std::string& path);
  // Makes the entries of a folder (renames, new and removed names) durable.
  void SyncFolder(const std::string& path);
  // Renames atomically over what stands at `to`; a link at `to` is
  // replaced, not followed.
  void RenameFile(const std::string& from, const std::string& to);
  // Renames onto a name that must be free: where anything stands at `to`
  // (a link too), fails with "File exists" and changes nothing. The system
  // refuses in the rename itself where it can (renameat2 with
  // RENAME_NOREPLACE, renameatx_np with RENAME_EXCL on macOS, a move
  // without replacing on Windows); elsewhere, and on a volume that cannot,
  // the name is looked at just before the rename.
  void RenameNewFile(const std::string& from, const std::string& to);
  // Swaps two existing folders (or files) in one step (renameat2 with
  // RENAME_EXCHANGE, or renameatx_np with RENAME_SWAP on macOS): each name
  // then stands for what the other stood for. Returns false when the system
  // or the volume has no such call, as POSIX has none (nothing is changed
  // then).
  [[nodiscard]] bool ExchangeFolders(const std::string& first,
                                     const std::string& second);
  // Gives the file at `from` (a link itself, never what it points to) the
  // second name `to`. Returns false when the file system has no hard links
  // (nothing is made then).
  [[nodiscard]] bool LinkFile(const std::string& from, const std::string& to);
  // Removes the name: a link is removed, never what it points to.
  void RemoveFile(const std::string& path);
  void RemoveFolder(const std::string& path);

 private:
  class Handle;
  struct Place;
  // The handle of the folder whose key (see the .cc) is `key`, opened now,
  // name by name from the deepest folder above it that is open already,
  // when it is not open yet. A folder that does not exist gives null when
  // `missingIsNull`, else throws, as a link on the way always does.
  std::shared_ptr<const Handle> Open(std::string_view key,
                                     const std::string& path,
                                     std::string_view verb,
                                     bool missingIsNull = false);
  // Keeps `folder` as the handle of `key`, unless a handle was dropped
  // since `forgets` was read: then it may have been opened through a
  // folder renamed meanwhile, and serves only the call that opened it.
  void Keep(std::string_view key, const std::shared_ptr<const Handle>& folder,
            std::uint64_t forgets);
  // The handle of the folder of `path`, and its last name.
  Place PlaceOf(const std::string& path, std::string_view verb);
  // The handle of the folder `path` itself.
  std::shared_ptr<const Handle> FolderAt(const std::string& path,
                                         std::string_view verb);
  // Drops the handle of the folder whose key is `key` and those of every
  // folder below it; the name of a file has none.
  void Forget(std::string key);
  // Opens the folder for reading and calls `sync` (fsync or syncfs) on it.
  void SyncThrough(const std::string& path, int (*sync)(int));
  // Notes a folder whose entries changed, for SyncFileSystem to sync where
  // it cannot sync the whole file system.
  void GainedAName(const std::shared_ptr<const Handle>& folder);

  // Held only to look up, keep and drop handles; no system call runs under
  // it.
  std::mutex mutex_;
  // Ordered, so that a folder and those below it lie side by side; looked
  // up by a part of a key without copying it.
  std::map<std::string, std::shared_ptr<const Handle>, std::less<>> open_;
  // How many times handles were dropped (Forget).
  std::uint64_t forgets_ = 0;
  std::set<std::shared_ptr<const Handle>> unsynced_;
};

// An exclusive lock on a folder, held while the object lives; the system
// drops it when the process ends. On POSIX systems it is a flock on the
// folder itself and creates no file; on Windows, where a folder takes no
// lock, it is LockFileEx on a hidden file ".quillery.lock" in the folder,
// removed when the holder lets go (a killed run leaves the empty file).
class FolderLock {
 public:
  // Tries to take the lock without waiting. Throws FileError when the
  // folder cannot be opened.
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // False when another process holds the lock.
  [[nodiscard]] bool acquired() const { return acquired_; }

 private:
#ifdef _WIN32
  void* file_ = nullptr;  // the lock file's handle
  std::string lockPath_;
#else
  int fd_ = -1;
#endif
  bool acquired_ = false;
};

}  // namespace quillery

#endif  // QUILLERY_PLATFORM_FILE_SYSTEM_H_
