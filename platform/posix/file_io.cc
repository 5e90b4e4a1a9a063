// POSIX file access behind the internal path form; see file_io.h.
#include "platform/file_io.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "text/site_path.h"

namespace quillery {
namespace {

std::string Reason(int error) { return std::strerror(error); }

FileError ReadError(const std::string& internalPath, int error) {
  return FileError("cannot read", internalPath, Reason(error));
}

// Makes the system give `size` bytes at `start`, memory of ours not yet
// touched, their pages now, on a few threads side by side. Reading a large
// document into fresh memory is otherwise mostly the system finding and
// clearing one page at a time, on one processor, as the bytes first arrive.
// Where the system cannot (an older kernel, another system), nothing
// happens and the pages come as they are touched.
// Below this size a file is read on one thread, its pages as they come.
constexpr std::size_t kLargeFile = 16 * 1024 * 1024;

void TakePagesAhead(char* start, std::size_t size) {
#if defined(MADV_POPULATE_WRITE)
  if (size < kLargeFile) return;
  const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = (reinterpret_cast<std::uintptr_t>(start) + pageSize - 1) /
                     pageSize * pageSize;
  const auto end =
      (reinterpret_cast<std::uintptr_t>(start) + size) / pageSize * pageSize;
  if (end <= first) return;
  const std::size_t threads = std::clamp<std::size_t>(
      std::thread::hardware_concurrency(), 1, 4);
  const std::uintptr_t pages = (end - first) / pageSize;
  const auto part = [&](std::size_t i) {
    const std::uintptr_t from = first + pages * i / threads * pageSize;
    const std::uintptr_t to = first + pages * (i + 1) / threads * pageSize;
    // A failure only means the pages come later, as they are touched.
    static_cast<void>(madvise(reinterpret_cast<void*>(from), to - from,
                              MADV_POPULATE_WRITE));
  };
  std::vector<std::thread> others;
  for (std::size_t i = 1; i < threads; ++i) {
    try {
      others.emplace_back(part, i);
    } catch (const std::system_error&) {
      part(i);
    }
  }
  part(0);
  for (std::thread& thread : others) thread.join();
#else
  static_cast<void>(start);
  static_cast<void>(size);
#endif
}

// Reads the bytes from `from` up to `to` of the open file into the same
// places of `bytes`, wherever the descriptor's own offset stands. False when
// the file ends first or a read fails.
bool ReadRange(int fd, char* bytes, std::size_t from, std::size_t to) {
  while (from < to) {
    const ssize_t got =
        pread(fd, bytes + from, to - from, static_cast<off_t>(from));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    from += static_cast<std::size_t>(got);
  }
  return true;
}

// True when the bytes from `from` up to `to` hold a zero byte.
bool HoldsZeroByte(const char* bytes, std::size_t from, std::size_t to) {
  return to > from && std::memchr(bytes + from, 0, to - from) != nullptr;
}

// Reads the first `size` bytes of a large regular file in two halves side
// by side, and leaves the offset after them. False when either half came
// short (the file changed since it was looked at) or failed: the caller
// then reads it again from the start, one piece after another. With
// `lookForZero`, each half is then looked through for a zero byte on its
// own thread, and `zeroFound` tells whether either held one.
bool ReadInHalves(int fd, char* bytes, std::size_t size, bool lookForZero,
                  bool& zeroFound) {
  const std::size_t half = size / 2;
  bool secondRead = false;
  bool secondZero = false;
  const auto readSecond = [&] {
    secondRead = ReadRange(fd, bytes, half, size);
    secondZero = secondRead && lookForZero && HoldsZeroByte(bytes, half, size);
  };
  std::thread second;
  try {
    second = std::thread(readSecond);
  } catch (const std::system_error&) {
    readSecond();
  }
  const bool firstRead = ReadRange(fd, bytes, 0, half);
  const bool firstZero =
      firstRead && lookForZero && HoldsZeroByte(bytes, 0, half);
  if (second.joinable()) second.join();
  zeroFound = firstZero || secondZero;
  return firstRead && secondRead &&
         lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}

// Reads an open descriptor to its end, straight into `bytes`. A regular
// file's length sizes the text at once (one byte more, to see the end);
// anything else grows it by doubling. With `refuseZeroByte`, `zeroFound`
// tells whether the bytes hold a zero byte. Returns false with errno set on
// failure.
bool ReadAll(int fd, const struct stat& info, std::string& bytes,
             bool refuseZeroByte, bool& zeroFound) {
  constexpr std::size_t kFirstRoom = 64 * 1024;
  std::size_t room = kFirstRoom;
  if (S_ISREG(info.st_mode) && info.st_size > 0) {
    room = static_cast<std::size_t>(info.st_size) + 1;
    bytes.reserve(room);
    TakePagesAhead(bytes.data(), room);
  }
  bytes.resize(room);
  std::size_t filled = 0;
  // The bytes before this were looked through for a zero byte already.
  std::size_t looked = 0;
  zeroFound = false;
  if (room - 1 >= kLargeFile) {
    if (ReadInHalves(fd, bytes.data(), room - 1, refuseZeroByte, zeroFound)) {
      filled = looked = room - 1;
    } else if (lseek(fd, 0, SEEK_SET) < 0) {
      return false;
    } else {
      zeroFound = false;
    }
  }
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
    ssize_t got = read(fd, bytes.data() + filled, bytes.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) {
      bytes.resize(filled);
      zeroFound = zeroFound || (refuseZeroByte &&
                                HoldsZeroByte(bytes.data(), looked, filled));
      return true;
    }
    filled += static_cast<std::size_t>(got);
  }
}

// Opens the regular file for reading and tells what it is. Throws when it
// cannot be opened or is no regular file.
int OpenRegularFile(const std::string& internalPath, struct stat& info) {
  const std::string nativePath = NativePath(internalPath);
  // Opening a FIFO for reading waits for a writer; without blocking it
  // opens at once, and is then refused as no regular file.
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw ReadError(internalPath, errno);
  if (fstat(fd, &info) != 0) {
    const int error = errno;
    close(fd);
    throw ReadError(internalPath, error);
  }
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    if (S_ISDIR(info.st_mode)) throw ReadError(internalPath, EISDIR);
    throw FileError("cannot read", internalPath, "it is not a regular file");
  }
  return fd;
}

FileError ZeroByteError(const std::string& internalPath) {
  return FileError("cannot read", internalPath,
                   "it holds a zero byte (a UTF-16 or binary file?)");
}

// Reads the open regular file and closes it. Throws when it cannot be read
// or holds a zero byte while `refuseZeroByte` is set (texts must not hold
// one; copied images may).
std::string ReadOpenFile(const std::string& internalPath, int fd,
                         const struct stat& info, bool refuseZeroByte) {
  std::string bytes;
  bool zeroFound = false;
  const bool ok = ReadAll(fd, info, bytes, refuseZeroByte, zeroFound);
  const int error = errno;
  close(fd);
  if (!ok) throw ReadError(internalPath, error);
  if (zeroFound) throw ZeroByteError(internalPath);
  return bytes;
}

// Opens and reads the regular file; see OpenRegularFile and ReadOpenFile.
std::string ReadRegularFile(const std::string& internalPath,
                            bool refuseZeroByte) {
  struct stat info;
  const int fd = OpenRegularFile(internalPath, info);
  return ReadOpenFile(internalPath, fd, info, refuseZeroByte);
}

// From this size on a document is mapped rather than read: below it, the
// mapping's own set-up costs about what reading saves.
constexpr std::size_t kMappedDocument = 1024 * 1024;

// A mapped document's file may be cut short by someone else while the
// conversion reads it, and a read past the new end would stop the program
// (SIGBUS). The mapped ranges are listed here, and such a read is answered
// instead: the rest of its range becomes zero bytes, and the range is
// marked lost, which its document tells (Unchanged) before anything made
// from it is committed.
struct GuardedRange {
  std::atomic<std::uintptr_t> start{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> lost{false};
};
constexpr std::size_t kGuardedRanges = 8;
GuardedRange guardedRanges[kGuardedRanges];
std::uintptr_t guardedPageSize = 4096;
struct sigaction earlierBusAction;

void OnBusError(int signal, siginfo_t* info, void* context) {
  static_cast<void>(signal);
  static_cast<void>(context);
  const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (GuardedRange& range : guardedRanges) {
    const std::uintptr_t start = range.start.load();
    const std::uintptr_t end = range.end.load();
    if (start == 0 || at < start || at >= end) continue;
    const std::uintptr_t from = at - (at - start) % guardedPageSize;
    if (mmap(reinterpret_cast<void*>(from), end - from, PROT_READ,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
      range.lost = true;
      return;
    }
  }
  // No read of a mapped document: the signal does what it did before this
  // answer was set, once the read is tried again.
  sigaction(SIGBUS, &earlierBusAction, nullptr);
}

// Lists the range from `start` up to `end`, setting the answer to SIGBUS
// the first time; the number of its place, or kGuardedRanges when it cannot
// be guarded (and so must not be mapped).
std::size_t GuardRange(std::uintptr_t start, std::uintptr_t end) {
  static const bool answering = [] {
    guardedPageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGBUS, &action, &earlierBusAction) == 0;
  }();
  if (!answering) return kGuardedRanges;
  for (std::size_t i = 0; i < kGuardedRanges; ++i) {
    std::uintptr_t free = 0;
    if (guardedRanges[i].start.compare_exchange_strong(free, start)) {
      guardedRanges[i].lost = false;
      guardedRanges[i].end = end;
      return i;
    }
  }
  return kGuardedRanges;
}

void StopGuarding(std::size_t place) {
  guardedRanges[place].end = 0;
  guardedRanges[place].start = 0;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// When the file's bytes were last changed, and when anything of it was.
#if defined(__APPLE__)
const struct timespec& ModifiedAt(const struct stat& info) {
  return info.st_mtimespec;
}
const struct timespec& ChangedAt(const struct stat& info) {
  return info.st_ctimespec;
}
#else
const struct timespec& ModifiedAt(const struct stat& info) {
  return info.st_mtim;
}
const struct timespec& ChangedAt(const struct stat& info) {
  return info.st_ctim;
}
#endif

// A document's file mapped into memory, guarded, and kept open to tell
// whether it changed since.
class MappedDocument : public TextKeeper {
 public:
  MappedDocument(int fd, const struct stat& info, char* start,
                 std::size_t guard)
      : fd_(fd), read_(info), start_(start), guard_(guard) {}
  MappedDocument(const MappedDocument&) = delete;
  MappedDocument& operator=(const MappedDocument&) = delete;
  ~MappedDocument() override {
    StopGuarding(guard_);
    munmap(start_, bytes().size());
    close(fd_);
  }

  [[nodiscard]] std::string_view bytes() const {
    return std::string_view(start_, static_cast<std::size_t>(read_.st_size));
  }

  // The file is the one read while its size, its bytes' time and its
  // change time stay, and no read came past its end.
  bool Unchanged() const override {
    struct stat now;
    return !guardedRanges[guard_].lost && fstat(fd_, &now) == 0 &&
           now.st_size == read_.st_size &&
           SameTime(ModifiedAt(now), ModifiedAt(read_)) &&
           SameTime(ChangedAt(now), ChangedAt(read_));
  }

  // Whole pages only, from where the last call left off: each page is let
  // go of once however often this is called.
  void LetGoBefore(std::size_t end) const override {
    const std::size_t whole = end / guardedPageSize * guardedPageSize;
    std::size_t from = letGoUpTo_.load();
    while (whole > from && !letGoUpTo_.compare_exchange_weak(from, whole)) {
    }
    if (whole > from) {
      static_cast<void>(madvise(start_ + from, whole - from, MADV_DONTNEED));
    }
  }

 private:
  const int fd_;
  const struct stat read_;
  char* const start_;
  const std::size_t guard_;
  mutable std::atomic<std::size_t> letGoUpTo_{0};
};

// Brings the mapped bytes into memory and looks through them for a zero
// byte, a piece at a time on a few threads; true when one was found.
bool TakeInAndFindZero(const char* bytes, std::size_t size) {
  constexpr std::size_t kPiece = 4 * 1024 * 1024;
  const std::size_t pieces = (size + kPiece - 1) / kPiece;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> zero{false};
  const auto work = [&] {
    for (std::size_t i = next++; i < pieces && !zero; i = next++) {
      const std::size_t from = i * kPiece;
      const std::size_t length = std::min(kPiece, size - from);
#if defined(MADV_POPULATE_READ)
      // Whole pages, all at once rather than one fault each; a failure
      // only means they come as they are touched.
      const std::uintptr_t first =
          reinterpret_cast<std::uintptr_t>(bytes) + from;
      static_cast<void>(
          madvise(reinterpret_cast<void*>(first - first % guardedPageSize),
                  length + first % guardedPageSize, MADV_POPULATE_READ));
#endif
      if (std::memchr(bytes + from, 0, length) != nullptr) zero = true;
    }
  };
  std::thread other;
  try {
    other = std::thread(work);
  } catch (const std::system_error&) {
    // The pieces are all taken on this thread.
  }
  work();
  if (other.joinable()) other.join();
  return zero;
}

#if !defined(__APPLE__)
// The word that started the program (argv[0]), kept at start-up.
std::string& StartingWord() {
  static std::string word;
  return word;
}

// The program file `word` names, found as a shell finds it: a word with a
// "/" is a path, from the working folder when relative; a bare name is
// looked for in each folder of PATH in turn (an empty entry is the working
// folder), the first executable regular file taken. Links resolved; empty
// when there is none.
std::string ProgramPathFrom(const std::string& word) {
  if (word.empty()) return std::string();
  std::vector<std::string> candidates;
  if (word.find('/') != std::string::npos) {
    candidates.push_back(word);
  } else {
    const char* searchPath = std::getenv("PATH");
    std::string_view folders = searchPath != nullptr ? searchPath : "";
    while (true) {
      const std::size_t colon = folders.find(':');
      const std::string_view folder = folders.substr(0, colon);
      candidates.push_back(
          (folder.empty() ? std::string(".") : std::string(folder)) + "/" +
          word);
      if (colon == std::string_view::npos) break;
      folders.remove_prefix(colon + 1);
    }
  }
  for (const std::string& candidate : candidates) {
    struct stat info;
    if (stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        access(candidate.c_str(), X_OK) != 0) {
      continue;
    }
    char* resolved = realpath(candidate.c_str(), nullptr);
    if (resolved == nullptr) continue;
    std::string path = resolved;
    free(resolved);
    return path;
  }
  return std::string();
}
#endif

// The native path of the running program, links resolved; empty when it
// cannot be told.
std::string ProgramPath() {
#if defined(__APPLE__)
  std::uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::vector<char> buffer(size + 1);
  if (_NSGetExecutablePath(buffer.data(), &size) != 0) return std::string();
  char* resolved = realpath(buffer.data(), nullptr);
  if (resolved == nullptr) return std::string();
  std::string path = resolved;
  free(resolved);
  return path;
#else
#if !QUILLERY_POSIX_ONLY
  // Linux names a program's own file in /proc. Where /proc is not mounted
  // (a bare chroot or container), the program is found as elsewhere.
  std::vector<char> buffer(4096);
  const ssize_t got =
      readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (got > 0) return std::string(buffer.data(), static_cast<std::size_t>(got));
#endif
  return ProgramPathFrom(StartingWord());
#endif
}

}  // namespace

SharedText ReadDocumentFile(const std::string& internalPath) {
  struct stat info;
  const int fd = OpenRegularFile(internalPath, info);
  const auto size = static_cast<std::size_t>(info.st_size);
  // A small file, one the system cannot map, or one more than the guard
  // can list, is read.
  void* mapped = size < kMappedDocument
                     ? MAP_FAILED
                     : mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  std::size_t guard = kGuardedRanges;
  if (mapped != MAP_FAILED) {
    const auto at = reinterpret_cast<std::uintptr_t>(mapped);
    guard = GuardRange(at, at + size);
    if (guard == kGuardedRanges) munmap(mapped, size);
  }
  if (guard == kGuardedRanges) {
    return SharedText(ReadOpenFile(internalPath, fd, info, true));
  }
  char* start = static_cast<char*>(mapped);
  const auto document =
      std::make_shared<const MappedDocument>(fd, info, start, guard);
  const bool zero = TakeInAndFindZero(start, size);
  if (!document->Unchanged()) throw ChangedWhileReadError(internalPath);
  if (zero) throw ZeroByteError(internalPath);
  return SharedText(document, document->bytes());
}

void RememberProgramPath(const std::string& argv0) {
#if !defined(__APPLE__)
  StartingWord() = argv0;
#else
  static_cast<void>(argv0);
#endif
}

std::string InternalPath(const std::string& typed) {
  std::string path = typed;
  bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
  if (!absolute) {
    std::vector<char> cwd(4096);
    while (getcwd(cwd.data(), cwd.size()) == nullptr && errno == ERANGE) {
      cwd.resize(cwd.size() * 2);
    }
    std::string folder = cwd.data();
    if (folder.empty() || folder.back() != '/') folder += '/';
    path = folder + path;
  }
  return SitePath::FromSlashForm(std::move(path)).text();
}

std::string NativePath(const std::string& internalPath) {
  return SitePath(internalPath).SlashForm();
}

std::string ReadFile(const std::string& internalPath) {
  return ReadRegularFile(internalPath, /*refuseZeroByte=*/true);
}

std::string ReadBinaryFile(const std::string& internalPath) {
  return ReadRegularFile(internalPath, /*refuseZeroByte=*/false);
}

std::optional<std::string> RealPath(const std::string& internalPath) {
  char* resolved = realpath(NativePath(internalPath).c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::string path = InternalPath(resolved);
  free(resolved);
  return path;
}

bool CanOpenForReading(const std::string& internalPath) {
  int fd = open(NativePath(internalPath).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool isFile = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
  close(fd);
  return isFile;
}

bool FileExists(const std::string& internalPath) {
  struct stat info;
  return stat(NativePath(internalPath).c_str(), &info) == 0;
}

std::string ProgramFolder() {
  const std::string path = ProgramPath();
  if (path.empty()) return std::string();
  std::string executable = InternalPath(path);
  std::size_t slash = executable.rfind('\\');
  if (slash == std::string::npos) return std::string();
  return executable.substr(0, slash);
}

std::string ProgramFilesFolder() {
  const std::string folder = ProgramFolder();
  // Looked up at run time: the prefix a program is installed under may
  // differ from the one it was built for.
  struct stat info;
  if (stat(NativePath(folder + "\\base.htm").c_str(), &info) == 0) {
    return folder;
  }
  const std::size_t slash = folder.rfind('\\');
  if (slash == std::string::npos) return folder;
  const std::string shared = folder.substr(0, slash) + "\\share\\quillery";
  if (stat(NativePath(shared).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return shared;
  }
  return folder;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace quillery
