// POSIX file system operations for the writer; see file_system.h.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_io.h"

namespace quillery {
namespace {

FileError Failure(std::string_view verb, const std::string& path, int error) {
  return FileError("cannot " + std::string(verb) + " '" + NativePath(path) +
                   "': " + std::strerror(error));
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// Opens a folder for syncing or locking; -1 with errno set when it cannot.
int OpenFolder(const std::string& path) {
  return open(NativePath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Opens the folder and syncs through it with `sync` (fsync or syncfs).
void SyncThrough(const std::string& path, int (*sync)(int)) {
  const int fd = OpenFolder(path);
  if (fd < 0) throw Failure("write", path, errno);
  const bool ok = sync(fd) == 0;
  const int error = errno;
  close(fd);
  if (!ok) throw Failure("write", path, error);
}

}  // namespace

PathFacts LookAt(const std::string& path) {
  struct stat info;
  PathFacts facts;
  if (lstat(NativePath(path).c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return facts;
    throw Failure("read", path, errno);
  }
  facts.exists = true;
  facts.isRegular = S_ISREG(info.st_mode);
  facts.isFolder = S_ISDIR(info.st_mode);
  facts.size = static_cast<std::uint64_t>(info.st_size);
  facts.modifiedNs =
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
      info.st_mtim.tv_nsec;
  facts.mode = info.st_mode & 07777;
  facts.device = info.st_dev;
  facts.inode = info.st_ino;
  return facts;
}

std::uint32_t NewFileMode() {
  static const std::uint32_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<std::uint32_t>(0666 & ~mask);
  }();
  return mode;
}

void MakeFolder(const std::string& path) {
  if (mkdir(NativePath(path).c_str(), 0777) != 0) {
    throw Failure("write", path, errno);
  }
}

void WriteNewFile(const std::string& path, std::string_view bytes,
                  std::uint32_t mode) {
  const std::string native = NativePath(path);
  const int fd =
      open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) throw Failure("write", path, errno);
  bool ok = mode == NewFileMode() || fchmod(fd, mode) == 0;
  ok = ok && WriteAll(fd, bytes);
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(native.c_str());
    throw Failure("write", path, error);
  }
}

void SyncFileSystem(const std::string& path) { SyncThrough(path, syncfs); }

void SyncFolder(const std::string& path) { SyncThrough(path, fsync); }

void RenameFile(const std::string& from, const std::string& to) {
  if (rename(NativePath(from).c_str(), NativePath(to).c_str()) != 0) {
    throw Failure("write", to, errno);
  }
}

void ExchangeFolders(const std::string& first, const std::string& second) {
  if (renameat2(AT_FDCWD, NativePath(first).c_str(), AT_FDCWD,
                NativePath(second).c_str(), RENAME_EXCHANGE) != 0) {
    throw Failure("write", second, errno);
  }
}

bool LinkFile(const std::string& from, const std::string& to) {
  if (link(NativePath(from).c_str(), NativePath(to).c_str()) == 0) return true;
  if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK) return false;
  throw Failure("write", to, errno);
}

void RemoveFile(const std::string& path) {
  if (unlink(NativePath(path).c_str()) != 0) {
    throw Failure("remove", path, errno);
  }
}

void RemoveFolder(const std::string& path) {
  if (rmdir(NativePath(path).c_str()) != 0) {
    throw Failure("remove", path, errno);
  }
}

std::vector<std::string> FolderEntries(const std::string& path) {
  DIR* folder = opendir(NativePath(path).c_str());
  if (folder == nullptr) throw Failure("read", path, errno);
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  closedir(folder);
  if (error != 0) throw Failure("read", path, error);
  return names;
}

FolderLock::FolderLock(const std::string& folder) : fd_(OpenFolder(folder)) {
  if (fd_ < 0) throw Failure("read", folder, errno);
  // Only a lock held elsewhere stops a run; a file system that keeps no
  // locks at all cannot tell, and the run goes on.
  acquired_ = flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace quillery
