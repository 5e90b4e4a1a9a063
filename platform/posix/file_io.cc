// POSIX file access behind the internal path form; see file_io.h.
#include "platform/file_io.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// Opens and reads the regular file. Throws when it cannot be opened or read,
// is no regular file, or holds a zero byte while `refuseZeroByte` is set
// (texts must not hold one; copied images may).
std::string ReadRegularFile(const std::string& internalPath,
                            bool refuseZeroByte) {
  const std::string nativePath = NativePath(internalPath);
  // Opening a FIFO for reading waits for a writer; without blocking it
  // opens at once, and is then refused as no regular file.
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw ReadError(internalPath, errno);
  struct stat info;
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
  std::string bytes;
  bool zeroFound = false;
  const bool ok = ReadAll(fd, info, bytes, refuseZeroByte, zeroFound);
  const int error = errno;
  close(fd);
  if (!ok) throw ReadError(internalPath, error);
  if (zeroFound) {
    throw FileError("cannot read", internalPath,
                    "it holds a zero byte (a UTF-16 or binary file?)");
  }
  return bytes;
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
