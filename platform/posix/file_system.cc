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

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

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

// Copies what is left of `in` to the end of `out`, both open. The kernel
// moves the bytes itself where it can, without passing them through the
// process; a file system that cannot copy so gets them read and written.
bool CopyAll(int in, int out) {
#if !QUILLERY_POSIX_ONLY
  constexpr std::size_t kMostAtOnce = std::size_t{1} << 30;
  for (;;) {
    const ssize_t copied =
        copy_file_range(in, nullptr, out, nullptr, kMostAtOnce, 0);
    if (copied > 0) continue;
    if (copied == 0) return true;
    if (errno == EINTR) continue;
    // Both offsets stand after what was copied: reading and writing goes
    // on from there.
    if (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
        errno == EOPNOTSUPP) {
      break;
    }
    return false;
  }
#endif
  constexpr std::size_t kPieceSize = 256 * 1024;
  std::vector<char> piece(kPieceSize);
  for (;;) {
    const ssize_t got = read(in, piece.data(), piece.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(out, std::string_view(piece.data(),
                                        static_cast<std::size_t>(got)))) {
      return false;
    }
  }
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

// The key of a path: its names, each after a "/", empty names and "." left
// out: "\tmp\.\site\\a.htm" gives "/tmp/site/a.htm", the root "". It is
// the native path of what it names, and the key of a folder's handle. Both
// "\" and "/" separate, as they do in the native form. A ".." is refused:
// every path the writer is given is resolved already, and one that still
// names ".." was not made by it. The key has room for a "/" more (Forget).
std::string KeyOf(const std::string& path, std::string_view verb) {
  // Each name is copied after a "/" as it is met, and dropped again when
  // it is empty or "."; the key is never longer than the path and a "/".
  std::string key(path.size() + 2, '\0');
  std::size_t kept = 0;  // the length of the key up to its last name kept
  std::size_t at = 0;
  // Read once: a byte written to the key could otherwise be taken for a
  // change of the path.
  const char* const bytes = path.data();
  const std::size_t size = path.size();
  char* const out = key.data();
  while (at <= size) {
    out[kept] = '/';
    const std::size_t nameAt = kept + 1;
    std::size_t end = nameAt;
    for (; at < size && bytes[at] != '\\' && bytes[at] != '/'; ++at) {
      out[end++] = bytes[at];
    }
    ++at;
    const std::string_view name(key.data() + nameAt, end - nameAt);
    if (name == "..") {
      throw FileError("cannot " + std::string(verb), path,
                      "it names \"..\"");
    }
    if (!name.empty() && name != ".") kept = end;
  }
  key.resize(kept);
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

// The folder of a path, and the path's key (KeyOf), whose last name is
// the path's name in that folder.
struct FolderHandles::Place {
  std::shared_ptr<const Handle> folder;
  std::string key;
  std::size_t nameAt = 0;  // where the last name begins in `key`
  const char* name() const { return key.c_str() + nameAt; }
};

void FolderHandles::GainedAName(const std::shared_ptr<const Handle>& folder) {
#if QUILLERY_POSIX_ONLY
  std::lock_guard<std::mutex> hold(mutex_);
  unsynced_.insert(folder);
#else
  // syncfs makes every name durable: there is no list to keep.
  static_cast<void>(folder);
#endif
}

std::shared_ptr<const FolderHandles::Handle> FolderHandles::Open(
    std::string_view key, const std::string& path, std::string_view verb,
    bool missingIsNull) {
  // The deepest folder on the way that is open: most often the folder
  // itself, in one look-up.
  std::shared_ptr<const Handle> folder;
  std::size_t opened = key.size();
  std::uint64_t forgets = 0;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    for (;;) {
      const auto known = open_.find(key.substr(0, opened));
      if (known != open_.end()) {
        folder = known->second;
        break;
      }
      if (opened == 0) break;
      opened = key.rfind('/', opened - 1);
    }
    forgets = forgets_;
  }
  // The rest is opened name by name, outside the lock.
  while (!folder || opened < key.size()) {
    const std::size_t end =
        folder ? std::min(key.find('/', opened + 1), key.size()) : 0;
    const std::string_view at = key.substr(0, end);
    Blocked blocked = Blocked::kNone;
    int fd = -1;
    if (folder) {
      const std::string name(key.substr(opened + 1, end - opened - 1));
      fd = OpenBelow(folder->fd(), name, blocked);
    } else {
      fd = open("/", kFolderHandleFlags);
    }
    if (fd < 0) {
#if QUILLERY_POSIX_ONLY
      if (errno == EACCES) {
        throw FileError("cannot " + std::string(verb), path,
                        "the folder '" + std::string(at.empty() ? "/" : at) +
                            "' cannot be read, and quillery opens every "
                            "folder on the way for reading here");
      }
#endif
      if (blocked == Blocked::kLink) {
        throw FileError("cannot " + std::string(verb), path,
                        "'" + std::string(at) +
                            "' is a symbolic link, which quillery does not "
                            "follow");
      }
      if (blocked == Blocked::kMissing && missingIsNull) return nullptr;
      throw Failure(verb, path, errno);
    }
    folder = std::make_shared<const Handle>(fd);
    Keep(at, folder, forgets);
    opened = end;
  }
  return folder;
}

void FolderHandles::Keep(std::string_view key,
                         const std::shared_ptr<const Handle>& folder,
                         std::uint64_t forgets) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (forgets_ == forgets) open_.emplace(key, folder);
}

FolderHandles::Place FolderHandles::PlaceOf(const std::string& path,
                                            std::string_view verb) {
  Place place;
  place.key = KeyOf(path, verb);
  if (place.key.empty()) throw Failure(verb, path, EISDIR);
  place.nameAt = place.key.rfind('/') + 1;
  place.folder =
      Open(std::string_view(place.key).substr(0, place.nameAt - 1), path, verb);
  return place;
}

std::shared_ptr<const FolderHandles::Handle> FolderHandles::FolderAt(
    const std::string& path, std::string_view verb) {
  return Open(KeyOf(path, verb), path, verb);
}

void FolderHandles::Forget(std::string key) {
  // Declared before the lock, so that a handle dropped for good is closed
  // (a system call) after the lock is let go.
  std::vector<std::shared_ptr<const Handle>> dropped;
  std::lock_guard<std::mutex> hold(mutex_);
  ++forgets_;
  const auto itself = open_.find(key);
  if (itself != open_.end()) {
    dropped.push_back(std::move(itself->second));
    open_.erase(itself);
  }
  // The folders below it, and only those: "/a/" leaves "/ab" alone.
  key += '/';
  auto below = open_.lower_bound(key);
  while (below != open_.end() &&
         below->first.compare(0, key.size(), key) == 0) {
    dropped.push_back(std::move(below->second));
    below = open_.erase(below);
  }
}

PathFacts FolderHandles::LookAt(const std::string& path) {
  const std::string key = KeyOf(path, "read");
  struct stat info;
  if (key.empty()) {
    if (fstat(Open(key, path, "read")->fd(), &info) != 0) {
      throw Failure("read", path, errno);
    }
    return FactsOf(info);
  }
  const std::size_t nameAt = key.rfind('/') + 1;
  const std::shared_ptr<const Handle> folder =
      Open(std::string_view(key).substr(0, nameAt - 1), path, "read",
           /*missingIsNull=*/true);
  if (!folder) return PathFacts();
  const char* name = key.c_str() + nameAt;
  if (fstatat(folder->fd(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
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
  const int fd = openat(place.folder->fd(), place.name(),
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
  if (mkdirat(place.folder->fd(), place.name(), 0777) != 0) {
    throw Failure("write", path, errno);
  }
  GainedAName(place.folder);
}

void FolderHandles::WriteNewFile(const std::string& path,
                                 std::string_view bytes, std::uint32_t mode) {
  const Place place = PlaceOf(path, "write");
  const int folder = place.folder->fd();
  const char* name = place.name();
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

void FolderHandles::CopyNewFile(const std::string& from, const std::string& to,
                                std::uint32_t mode) {
  const Place source = PlaceOf(from, "read");
  const int in = openat(source.folder->fd(), source.name(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) {
    if (errno == ELOOP) {
      throw FileError("cannot read", from,
                      "it is a symbolic link, which quillery does not follow");
    }
    throw Failure("read", from, errno);
  }
  struct stat info {};
  const bool looked = fstat(in, &info) == 0;
  const int lookError = errno;
  if (!looked || !S_ISREG(info.st_mode)) {
    close(in);
    if (!looked) throw Failure("read", from, lookError);
    throw FileError("cannot read", from, "it is not a regular file");
  }
  const Place place = PlaceOf(to, "write");
  const int folder = place.folder->fd();
  const char* name = place.name();
  const int out = openat(
      folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (out < 0) {
    const int error = errno;
    close(in);
    throw Failure("write", to, error);
  }
  bool ok = mode == NewFileMode() || fchmod(out, mode) == 0;
  ok = ok && CopyAll(in, out);
  int error = errno;
  close(in);
  if (close(out) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlinkat(folder, name, 0);
    throw Failure("write", to, error);
  }
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
#if QUILLERY_POSIX_ONLY
  std::set<std::shared_ptr<const Handle>> folders;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    folders.swap(unsynced_);
  }
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
  Place source = PlaceOf(from, "write");
  Place target = PlaceOf(to, "write");
  if (renameat(source.folder->fd(), source.name(), target.folder->fd(),
               target.name()) != 0) {
    throw Failure("write", to, errno);
  }
  GainedAName(source.folder);
  GainedAName(target.folder);
  Forget(std::move(source.key));
  Forget(std::move(target.key));
}

void FolderHandles::RenameNewFile(const std::string& from,
                                  const std::string& to) {
  Place source = PlaceOf(from, "write");
  Place target = PlaceOf(to, "write");
  const int fromFolder = source.folder->fd();
  const int toFolder = target.folder->fd();
  bool renamed = false;
#if defined(__APPLE__)
  if (renameatx_np(fromFolder, source.name(), toFolder, target.name(),
                   RENAME_EXCL) == 0) {
    renamed = true;
  } else if (errno != ENOTSUP && errno != EINVAL) {
    throw Failure("write", to, errno);
  }
#elif !QUILLERY_POSIX_ONLY
  if (renameat2(fromFolder, source.name(), toFolder, target.name(),
                RENAME_NOREPLACE) == 0) {
    renamed = true;
  } else if (errno != EINVAL && errno != ENOSYS) {
    // EINVAL: a file system that cannot refuse in the rename.
    throw Failure("write", to, errno);
  }
#endif
  if (!renamed) {
    // As the system's own refusal: a missing file first, then a taken name.
    struct stat facts;
    if (fstatat(fromFolder, source.name(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
      throw Failure("write", to, errno);
    }
    if (fstatat(toFolder, target.name(), &facts, AT_SYMLINK_NOFOLLOW) == 0) {
      throw Failure("write", to, EEXIST);
    }
    if (errno != ENOENT) throw Failure("write", to, errno);
    if (renameat(fromFolder, source.name(), toFolder, target.name()) != 0) {
      throw Failure("write", to, errno);
    }
  }
  GainedAName(source.folder);
  GainedAName(target.folder);
  Forget(std::move(source.key));
  Forget(std::move(target.key));
}

bool FolderHandles::ExchangeFolders(const std::string& first,
                                    const std::string& second) {
#if QUILLERY_POSIX_ONLY && !defined(__APPLE__)
  // POSIX has no exchange of two names.
  static_cast<void>(first);
  static_cast<void>(second);
  return false;
#else
  Place one = PlaceOf(first, "write");
  Place other = PlaceOf(second, "write");
#if defined(__APPLE__)
  if (renameatx_np(one.folder->fd(), one.name(), other.folder->fd(),
                   other.name(), RENAME_SWAP) != 0) {
    // A volume that cannot swap (some network and FAT volumes) leaves both
    // as they were.
    if (errno == ENOTSUP || errno == EINVAL) return false;
    throw Failure("write", second, errno);
  }
#else
  if (renameat2(one.folder->fd(), one.name(), other.folder->fd(), other.name(),
                RENAME_EXCHANGE) != 0) {
    throw Failure("write", second, errno);
  }
#endif
  Forget(std::move(one.key));
  Forget(std::move(other.key));
  return true;
#endif
}

bool FolderHandles::LinkFile(const std::string& from, const std::string& to) {
  const Place source = PlaceOf(from, "write");
  const Place target = PlaceOf(to, "write");
  if (linkat(source.folder->fd(), source.name(), target.folder->fd(),
             target.name(), 0) == 0) {
    GainedAName(target.folder);
    return true;
  }
  if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK) return false;
  throw Failure("write", to, errno);
}

void FolderHandles::RemoveFile(const std::string& path) {
  const Place place = PlaceOf(path, "remove");
  if (unlinkat(place.folder->fd(), place.name(), 0) != 0) {
    throw Failure("remove", path, errno);
  }
}

void FolderHandles::RemoveFolder(const std::string& path) {
  Place place = PlaceOf(path, "remove");
  if (unlinkat(place.folder->fd(), place.name(), AT_REMOVEDIR) != 0) {
    throw Failure("remove", path, errno);
  }
  Forget(std::move(place.key));
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
