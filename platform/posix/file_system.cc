// POSIX file system operations for the writer; see file_system.h. Built
// with QUILLERY_POSIX_ONLY, as for macOS and the BSDs, it uses POSIX calls
// alone: folders are opened for reading instead of as bare paths (O_PATH),
// two folders are never exchanged in one step (the caller then swaps them by
// two renames), and instead of a sync of the whole file system every file is
// synced as it is written and every folder that gained a name since the last
// sync at the next one. On macOS a few better calls stand in (__APPLE__).
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "platform/file_io.h"

namespace quillery {
namespace {

FileError Failure(std::string_view verb, const std::string& path, int error) {
  return FileError("cannot " + std::string(verb), path,
                   std::strerror(error));
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

// Makes what was written through `fd` durable. On macOS fsync hands the data
// to the drive, which may keep it in its cache; F_FULLFSYNC asks for it on
// the medium, where the file system takes that request.
int SyncDescriptor(int fd) {
#if defined(__APPLE__)
  if (fcntl(fd, F_FULLFSYNC) == 0) return 0;
#endif
  return fsync(fd);
}

#if QUILLERY_POSIX_ONLY
// A folder's handle is opened for reading, the only way POSIX has to hold
// a folder, so every folder on the way must be readable.
constexpr int kFolderHandleFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#else
// O_PATH needs no read permission and serves every *at call.
constexpr int kFolderHandleFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#endif

std::int64_t ModifiedNs(const struct stat& info) {
#if defined(__APPLE__)
  const struct timespec& modified = info.st_mtimespec;
#else
  const struct timespec& modified = info.st_mtim;
#endif
  return static_cast<std::int64_t>(modified.tv_sec) * 1000000000 +
         modified.tv_nsec;
}

PathFacts FactsOf(const struct stat& info) {
  PathFacts facts;
  facts.exists = true;
  facts.isRegular = S_ISREG(info.st_mode);
  facts.isFolder = S_ISDIR(info.st_mode);
  facts.isLink = S_ISLNK(info.st_mode);
  facts.size = static_cast<std::uint64_t>(info.st_size);
  facts.modifiedNs = ModifiedNs(info);
  facts.mode = info.st_mode & 07777;
  facts.device = info.st_dev;
  facts.inode = info.st_ino;
  facts.links = static_cast<std::uint64_t>(info.st_nlink);
  return facts;
}

// The names of a native path, "." left out. "/a/./b/" gives {"a", "b"}.
// A ".." is refused: every path the writer is given is resolved already,
// and one that still names ".." was not made by it.
std::vector<std::string> NamesOf(const std::string& path,
                                 std::string_view verb) {
  const std::string native = NativePath(path);
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= native.size()) {
    std::size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    std::string name = native.substr(start, end - start);
    if (name == "..") {
      throw FileError("cannot " + std::string(verb), path,
                      "it names \"..\"");
    }
    if (!name.empty() && name != ".") names.push_back(std::move(name));
    start = end + 1;
  }
  return names;
}

std::string Joined(const std::vector<std::string>& names, std::size_t count) {
  std::string key;
  for (std::size_t i = 0; i < count; ++i) key += "/" + names[i];
  return key;
}

// A folder met on the way that is not one: a link (never followed), or a
// file or nothing at all.
enum class Blocked { kNone, kLink, kMissing };

}  // namespace

PathFacts LookAt(const std::string& path) {
  struct stat info;
  if (lstat(NativePath(path).c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return PathFacts();
    throw Failure("read", path, errno);
  }
  return FactsOf(info);
}

std::uint32_t NewFileMode() {
  static const std::uint32_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<std::uint32_t>(0666 & ~mask);
  }();
  return mode;
}

// An open folder (kFolderHandleFlags), serving every *at call; reading or
// syncing opens "." through it.
class FolderHandles::Handle {
 public:
  explicit Handle(int fd) : fd_(fd) {}
  ~Handle() { close(fd_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  int fd() const { return fd_; }
  // The folder opened for reading, or -1 with errno set.
  int OpenForReading() const {
    return openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }

 private:
  int fd_;
};

FolderHandles::FolderHandles() = default;
FolderHandles::~FolderHandles() = default;

namespace {

// Opens the folder `name` below `parent` without following a link. Returns
// -1 and tells why the way is blocked, or sets errno for other failures.
int OpenBelow(int parent, const std::string& name, Blocked& blocked) {
  blocked = Blocked::kNone;
  const int fd = openat(parent, name.c_str(), kFolderHandleFlags | O_NOFOLLOW);
  struct stat info;
  if (fd >= 0 && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) return fd;
  const int error = fd >= 0 ? ENOTDIR : errno;
  if (fd >= 0) close(fd);
  if (fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISLNK(info.st_mode)) {
    blocked = Blocked::kLink;
  } else if (error == ENOENT || error == ENOTDIR) {
    blocked = Blocked::kMissing;
  }
  errno = error;
  return -1;
}

}  // namespace

struct FolderHandles::Place {
  std::shared_ptr<const Handle> folder;
  std::string name;
};

void FolderHandles::GainedAName(const std::shared_ptr<const Handle>& folder) {
  std::lock_guard<std::mutex> hold(mutex_);
  unsynced_.insert(folder);
}

std::shared_ptr<const FolderHandles::Handle> FolderHandles::Open(
    const std::vector<std::string>& names, std::size_t count,
    const std::string& path, std::string_view verb, bool missingIsNull) {
  std::lock_guard<std::mutex> hold(mutex_);
  std::shared_ptr<const Handle> folder;
  for (std::size_t opened = 0; opened <= count; ++opened) {
    const std::string key = Joined(names, opened);
    auto known = open_.find(key);
    if (known != open_.end()) {
      folder = known->second;
      continue;
    }
    Blocked blocked = Blocked::kNone;
    const int fd =
        opened == 0 ? open("/", kFolderHandleFlags)
                    : OpenBelow(folder->fd(), names[opened - 1], blocked);
    if (fd < 0) {
#if QUILLERY_POSIX_ONLY
      if (errno == EACCES) {
        throw FileError("cannot " + std::string(verb), path,
                        "the folder '" + (key.empty() ? "/" : key) +
                            "' cannot be read, and quillery opens every "
                            "folder on the way for reading here");
      }
#endif
      if (blocked == Blocked::kLink) {
        throw FileError("cannot " + std::string(verb), path,
                        "'" + key +
                            "' is a symbolic link, which quillery does not "
                            "follow");
      }
      if (blocked == Blocked::kMissing && missingIsNull) return nullptr;
      throw Failure(verb, path, errno);
    }
    folder = std::make_shared<const Handle>(fd);
    open_.emplace(key, folder);
  }
  return folder;
}

FolderHandles::Place FolderHandles::PlaceOf(const std::string& path,
                                            std::string_view verb) {
  const std::vector<std::string> names = NamesOf(path, verb);
  if (names.empty()) throw Failure(verb, path, EISDIR);
  return {Open(names, names.size() - 1, path, verb), names.back()};
}

std::shared_ptr<const FolderHandles::Handle> FolderHandles::FolderAt(
    const std::string& path, std::string_view verb) {
  const std::vector<std::string> names = NamesOf(path, verb);
  return Open(names, names.size(), path, verb);
}

void FolderHandles::Forget(const std::string& path) {
  const std::vector<std::string> names = NamesOf(path, "write");
  const std::string key = Joined(names, names.size());
  std::lock_guard<std::mutex> hold(mutex_);
  auto it = open_.lower_bound(key);
  while (it != open_.end() && it->first.compare(0, key.size(), key) == 0) {
    const bool below =
        it->first.size() == key.size() || it->first[key.size()] == '/';
    it = below ? open_.erase(it) : std::next(it);
  }
}

PathFacts FolderHandles::LookAt(const std::string& path) {
  const std::vector<std::string> names = NamesOf(path, "read");
  struct stat info;
  if (names.empty()) {
    if (fstat(Open(names, 0, path, "read")->fd(), &info) != 0) {
      throw Failure("read", path, errno);
    }
    return FactsOf(info);
  }
  const std::shared_ptr<const Handle> folder =
      Open(names, names.size() - 1, path, "read", /*missingIsNull=*/true);
  if (!folder) return PathFacts();
  if (fstatat(folder->fd(), names.back().c_str(), &info,
              AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return PathFacts();
    throw Failure("read", path, errno);
  }
  return FactsOf(info);
}

std::vector<std::string> FolderHandles::FolderEntries(const std::string& path) {
  const int fd = FolderAt(path, "read")->OpenForReading();
  if (fd < 0) throw Failure("read", path, errno);
  DIR* folder = fdopendir(fd);
  if (folder == nullptr) {
    const int error = errno;
    close(fd);
    throw Failure("read", path, error);
  }
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

std::string FolderHandles::ReadFile(const std::string& path,
                                    std::uint64_t maxBytes) {
  const Place place = PlaceOf(path, "read");
  // Not blocking: a FIFO put in a file's place must not stop the run.
  const int fd = openat(place.folder->fd(), place.name.c_str(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP) {
      throw FileError("cannot read", path,
                      "it is a symbolic link, which quillery does not follow");
    }
    throw Failure("read", path, errno);
  }
  struct stat info;
  std::string bytes;
  std::string problem;
  if (fstat(fd, &info) != 0) {
    problem = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    problem = "it is not a regular file";
  } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    problem = "it is larger than " + std::to_string(maxBytes) + " bytes";
  } else {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t part = read(fd, &bytes[got], bytes.size() - got);
      if (part < 0 && errno == EINTR) continue;
      if (part < 0) problem = std::strerror(errno);
      if (part <= 0) break;
      got += static_cast<std::size_t>(part);
    }
    bytes.resize(got);
  }
  close(fd);
  if (!problem.empty()) {
    throw FileError("cannot read", path, problem);
  }
  return bytes;
}

void FolderHandles::MakeFolder(const std::string& path) {
  const Place place = PlaceOf(path, "write");
  if (mkdirat(place.folder->fd(), place.name.c_str(), 0777) != 0) {
    throw Failure("write", path, errno);
  }
  GainedAName(place.folder);
}

void FolderHandles::WriteNewFile(const std::string& path,
                                 std::string_view bytes, std::uint32_t mode) {
  const Place place = PlaceOf(path, "write");
  const int folder = place.folder->fd();
  const char* name = place.name.c_str();
  const int fd = openat(folder, name,
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0666);
  if (fd < 0) throw Failure("write", path, errno);
  bool ok = mode == NewFileMode() || fchmod(fd, mode) == 0;
  ok = ok && WriteAll(fd, bytes);
#if QUILLERY_POSIX_ONLY
  // Without a sync of the whole file system, each file is made durable as
  // it is written: on the writer's own thread, while the next file is
  // planned, and without a list of files to open again later, which a
  // rename in between could make wrong.
  ok = ok && SyncDescriptor(fd) == 0;
#endif
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlinkat(folder, name, 0);
    throw Failure("write", path, error);
  }
  GainedAName(place.folder);
}

void FolderHandles::SyncThrough(const std::string& path, int (*sync)(int)) {
  const int fd = FolderAt(path, "write")->OpenForReading();
  if (fd < 0) throw Failure("write", path, errno);
  const bool ok = sync(fd) == 0;
  const int error = errno;
  close(fd);
  if (!ok) throw Failure("write", path, error);
}

void FolderHandles::SyncFileSystem(const std::string& path) {
  std::set<std::shared_ptr<const Handle>> folders;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    folders.swap(unsynced_);
  }
#if QUILLERY_POSIX_ONLY
  // The files are durable already (WriteNewFile); their names, and those
  // of new folders, renames and links, are durable once each folder that
  // gained one is synced.
  for (const std::shared_ptr<const Handle>& folder : folders) {
    if (SyncDescriptor(folder->fd()) != 0) throw Failure("write", path, errno);
  }
  SyncThrough(path, SyncDescriptor);
#else
  SyncThrough(path, syncfs);
#endif
}

void FolderHandles::SyncFolder(const std::string& path) {
  SyncThrough(path, SyncDescriptor);
}

void FolderHandles::RenameFile(const std::string& from, const std::string& to) {
  const Place source = PlaceOf(from, "write");
  const Place target = PlaceOf(to, "write");
  if (renameat(source.folder->fd(), source.name.c_str(), target.folder->fd(),
               target.name.c_str()) != 0) {
    throw Failure("write", to, errno);
  }
  GainedAName(source.folder);
  GainedAName(target.folder);
  Forget(from);
  Forget(to);
}

bool FolderHandles::ExchangeFolders(const std::string& first,
                                    const std::string& second) {
#if QUILLERY_POSIX_ONLY && !defined(__APPLE__)
  // POSIX has no exchange of two names.
  static_cast<void>(first);
  static_cast<void>(second);
  return false;
#else
  const Place one = PlaceOf(first, "write");
  const Place other = PlaceOf(second, "write");
#if defined(__APPLE__)
  if (renameatx_np(one.folder->fd(), one.name.c_str(), other.folder->fd(),
                   other.name.c_str(), RENAME_SWAP) != 0) {
    // A volume that cannot swap (some network and FAT volumes) leaves both
    // as they were.
    if (errno == ENOTSUP || errno == EINVAL) return false;
    throw Failure("write", second, errno);
  }
#else
  if (renameat2(one.folder->fd(), one.name.c_str(), other.folder->fd(),
                other.name.c_str(), RENAME_EXCHANGE) != 0) {
    throw Failure("write", second, errno);
  }
#endif
  Forget(first);
  Forget(second);
  return true;
#endif
}

bool FolderHandles::LinkFile(const std::string& from, const std::string& to) {
  const Place source = PlaceOf(from, "write");
  const Place target = PlaceOf(to, "write");
  if (linkat(source.folder->fd(), source.name.c_str(), target.folder->fd(),
             target.name.c_str(), 0) == 0) {
    GainedAName(target.folder);
    return true;
  }
  if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK) return false;
  throw Failure("write", to, errno);
}

void FolderHandles::RemoveFile(const std::string& path) {
  const Place place = PlaceOf(path, "remove");
  if (unlinkat(place.folder->fd(), place.name.c_str(), 0) != 0) {
    throw Failure("remove", path, errno);
  }
}

void FolderHandles::RemoveFolder(const std::string& path) {
  const Place place = PlaceOf(path, "remove");
  if (unlinkat(place.folder->fd(), place.name.c_str(), AT_REMOVEDIR) != 0) {
    throw Failure("remove", path, errno);
  }
  Forget(path);
}

FolderLock::FolderLock(const std::string& folder)
    : fd_(open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ < 0) throw Failure("read", folder, errno);
  // Only a lock held elsewhere stops a run; a file system that keeps no
  // locks at all cannot tell, and the run goes on. flock is no POSIX call,
  // but Linux, macOS and the BSDs all have it.
  acquired_ = flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace quillery
