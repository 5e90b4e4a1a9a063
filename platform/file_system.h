// What the all-or-nothing writer asks of the file system: facts about a
// path, new folders and files, syncs, renames, hard links, removal, and a
// lock on a folder. Paths are internal (see file_io.h). Each operation throws
// FileError naming the path and the reason when it fails.
#ifndef QUILLERY_PLATFORM_FILE_SYSTEM_H_
#define QUILLERY_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// What lstat tells of a path; a symbolic link is looked at, not followed.
struct PathFacts {
  bool exists = false;
  bool isRegular = false;
  bool isFolder = false;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // modification time, nanoseconds since 1970
  std::uint32_t mode = 0;       // permission bits
  std::uint64_t device = 0;     // the file system it lies on
  std::uint64_t inode = 0;
};
// A path that does not exist gives `exists` false; other failures throw.
[[nodiscard]] PathFacts LookAt(const std::string& path);

// The permission bits of a new file: read and write for all, less the
// process's file mask.
[[nodiscard]] std::uint32_t NewFileMode();

void MakeFolder(const std::string& path);
// Creates the file, which must not exist yet, with `mode` and `bytes`.
void WriteNewFile(const std::string& path, std::string_view bytes,
                  std::uint32_t mode);
// Makes everything written to the file system of `path` durable (syncfs).
void SyncFileSystem(const std::string& path);
// Makes the entries of a folder (renames, new and removed names) durable.
void SyncFolder(const std::string& path);
// Renames atomically over what stands at `to`.
void RenameFile(const std::string& from, const std::string& to);
// Swaps two existing folders (or files) in one step (renameat2 with
// RENAME_EXCHANGE): each name then stands for what the other stood for.
void ExchangeFolders(const std::string& first, const std::string& second);
// Gives the file at `from` the second name `to`. Returns false when the file
// system has no hard links (nothing is made then).
[[nodiscard]] bool LinkFile(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
void RemoveFolder(const std::string& path);
// The names in a folder, "." and ".." left out.
[[nodiscard]] std::vector<std::string> FolderEntries(const std::string& path);

// An exclusive lock (flock) on a folder, held while the object lives. It
// creates no file, and the system drops it when the process ends.
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
  int fd_ = -1;
  bool acquired_ = false;
};

}  // namespace quillery

#endif  // QUILLERY_PLATFORM_FILE_SYSTEM_H_
