// Windows file system operations for the writer; see file_system.h.
//
// Each folder on the way to a path is looked at once, one name at a time,
// with its reparse point (a symbolic link or a junction) opened rather than
// followed, and checked to be a plain folder; what is kept is its identity
// (volume and file index), not an open handle, which would keep others from
// removing the folder. The operations name their file by its path, and just
// before each one the folder the path now reaches is compared with the one
// checked: a folder swapped for a link, or for another folder, since it was
// checked stops the operation instead of taking it somewhere else.
#include "platform/file_system.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "platform/file_io.h"
#include "platform/windows/wide_path.h"
#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {

using windows::Reason;
using windows::ScopedHandle;
using windows::SystemPath;

namespace {

constexpr DWORD kShareAll =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileError Failure(std::string_view verb, const std::string& path, DWORD error) {
  return FileError("cannot " + std::string(verb), path, Reason(error));
}

FileError LinkRefusal(std::string_view verb, const std::string& path) {
  return FileError("cannot " + std::string(verb), path,
                   "it is a symbolic link, which quillery does not follow");
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME;
}

// Opens the file, the folder or the link itself at `path`, never what a
// link leads to.
HANDLE OpenItself(const std::string& path, DWORD access, DWORD share) {
  return CreateFileW(
      SystemPath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// True for a symbolic link or a junction: a reparse point that stands for
// another name. Other reparse points (a file kept in the cloud, say) are
// files of their own.
bool IsLink(HANDLE handle, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag,
                                    sizeof tag)) {
    return true;
  }
  return IsReparseTagNameSurrogate(tag.ReparseTag);
}

std::int64_t NanosecondsSince1970(const FILETIME& time) {
  const std::int64_t ticks =
      static_cast<std::int64_t>(
          (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
          time.dwLowDateTime) -
      116444736000000000;  // 1601 to 1970 in 100 ns
  return ticks * 100;
}

PathFacts FactsOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return PathFacts();
  PathFacts facts;
  facts.exists = true;
  facts.isLink = IsLink(handle, info.dwFileAttributes);
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.isFolder = folder && !facts.isLink;
  facts.isRegular =
      !folder && !facts.isLink && GetFileType(handle) == FILE_TYPE_DISK;
  facts.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
               info.nFileSizeLow;
  facts.modifiedNs = NanosecondsSince1970(info.ftLastWriteTime);
  // Windows keeps no permission bits; a read-only file reads as 0444.
  const bool readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  facts.mode = folder ? 0777u : readOnly ? 0444u : 0666u;
  facts.device = info.dwVolumeSerialNumber;
  facts.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                info.nFileIndexLow;
  facts.links = info.nNumberOfLinks;
  return facts;
}

// True when the name at `path` is a reparse point, asked by name: some
// systems (Wine) open what a link leads to even when asked for the link.
bool NamedLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The facts of `path` itself; `exists` false when there is nothing. Throws
// `error` set when the path cannot be looked at.
PathFacts FactsAt(const std::string& path, DWORD& error) {
  error = ERROR_SUCCESS;
  ScopedHandle handle(OpenItself(path, FILE_READ_ATTRIBUTES, kShareAll));
  if (handle.valid()) {
    PathFacts facts = FactsOf(handle.get());
    if (!facts.isLink && NamedLink(path)) {
      facts.isLink = true;
      facts.isFolder = false;
      facts.isRegular = false;
    }
    return facts;
  }
  error = GetLastError();
  if (IsMissing(error)) error = ERROR_SUCCESS;
  return PathFacts();
}

// An internal path with its names each after a "\", empty names and "."
// left out: "\C:\.\site//a.htm" gives "\C:\site\a.htm". A ".." is refused:
// every path the writer is given is resolved already.
std::string JoinedOf(const std::string& path, std::string_view verb) {
  std::string joined(path.size() + 2, '\0');
  std::size_t kept = 0;  // the length up to the last name kept
  std::size_t at = 0;
  // Read once: a byte written to `joined` could otherwise be taken for a
  // change of the path.
  const char* const bytes = path.data();
  const std::size_t size = path.size();
  char* const out = joined.data();
  while (at <= size) {
    out[kept] = '\\';
    const std::size_t nameAt = kept + 1;
    std::size_t end = nameAt;
    for (; at < size && !IsPathSeparator(bytes[at]); ++at) {
      out[end++] = bytes[at];
    }
    ++at;
    const std::string_view name(joined.data() + nameAt, end - nameAt);
    if (name == "..") {
      throw FileError("cannot " + std::string(verb), path, "it names \"..\"");
    }
    if (!name.empty() && name != ".") kept = end;
  }
  joined.resize(kept);
  return joined;
}

// The end of the name that begins after position `at` of a joined path.
std::size_t NameEnd(std::string_view joined, std::size_t at) {
  const std::size_t end = joined.find('\\', at + 1);
  return end == std::string_view::npos ? joined.size() : end;
}

// The length of the volume's part of a joined path: "\C:" is one name,
// "\UNC\server\share" three; 0 when it names no volume.
std::size_t VolumeLength(std::string_view joined) {
  if (joined.empty()) return 0;
  const std::size_t first = NameEnd(joined, 0);
  if (first == 3 && joined[2] == ':') return first;
  if (first != 4 || AsciiLower(joined.substr(1, 3)) != "unc") return 0;
  if (first == joined.size()) return 0;
  const std::size_t second = NameEnd(joined, first);
  if (second == joined.size()) return 0;
  return NameEnd(joined, second);
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD part = bytes.size() > 0x40000000
                           ? 0x40000000
                           : static_cast<DWORD>(bytes.size());
    DWORD put = 0;
    if (!WriteFile(file, bytes.data(), part, &put, nullptr)) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

// A new file at `path`, which must not exist yet, not even as a link.
HANDLE CreateNew(const std::string& path) {
  return CreateFileW(
      SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Writes what `fill` puts into the new file at `path`, makes it durable and
// closes it; on a failure removes it again and throws.
template <typename Fill>
void MakeNewFile(const std::string& path, Fill fill) {
  ScopedHandle file(CreateNew(path));
  if (!file.valid()) throw Failure("write", path, GetLastError());
  DWORD error = ERROR_SUCCESS;
  bool ok = fill(file.get(), error);
  // Each file is made durable as it is written: Windows has no call that
  // syncs a whole file system without the rights of an administrator.
  if (ok && !FlushFileBuffers(file.get())) {
    ok = false;
    error = GetLastError();
  }
  if (!file.Close() && ok) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) {
    DeleteFileW(SystemPath(path).c_str());
    throw Failure("write", path, error);
  }
}

}  // namespace

PathFacts LookAt(const std::string& path) {
  DWORD error = ERROR_SUCCESS;
  const PathFacts facts = FactsAt(path, error);
  if (error != ERROR_SUCCESS) throw Failure("read", path, error);
  return facts;
}

std::uint32_t NewFileMode() { return 0666; }

// A folder that was checked: its identity.
class FolderHandles::Handle {
 public:
  explicit Handle(const PathFacts& facts)
      : device_(facts.device), inode_(facts.inode) {}
  // True when `facts` are those of this very folder.
  bool Is(const PathFacts& facts) const {
    return facts.isFolder && facts.device == device_ && facts.inode == inode_;
  }

 private:
  std::uint64_t device_;
  std::uint64_t inode_;
};

// The folder of a path, and the path joined (JoinedOf).
struct FolderHandles::Place {
  std::shared_ptr<const Handle> folder;
  std::string key;
};

namespace {

// The folder the path reaches now must be the one held: a folder swapped
// for a link, or for another folder, since it was checked stops the
// operation. (The names above it need no look: a change there changes what
// the path reaches too.)
template <typename HeldFolder>
void CheckStillThere(const HeldFolder& held, const std::string& folderPath,
                     const std::string& path, std::string_view verb) {
  DWORD error = ERROR_SUCCESS;
  const PathFacts now = FactsAt(folderPath, error);
  const bool link = now.isLink || NamedLink(folderPath);
  if (!link && held.Is(now)) return;
  throw FileError("cannot " + std::string(verb), path,
                  "'" + NativePath(folderPath) +
                      (link ? "' is a symbolic link, which quillery does not "
                              "follow"
                            : "' was replaced while quillery worked in it"));
}

}  // namespace

FolderHandles::FolderHandles() = default;
FolderHandles::~FolderHandles() = default;

// A folder's handle is kept under its joined path (JoinedOf) in lower case:
// names that differ in letter case are one file here.
std::shared_ptr<const FolderHandles::Handle> FolderHandles::Open(
    std::string_view joined, const std::string& path, std::string_view verb,
    bool missingIsNull) {
  if (joined.empty()) return nullptr;
  // The volume, or the first name of a path without one, is the first
  // folder looked at.
  const std::size_t volume = VolumeLength(joined);
  const std::size_t first = volume > 0 ? volume : NameEnd(joined, 0);
  const std::string key = AsciiLower(joined);
  // The deepest folder on the way that was checked: most often the folder
  // itself, in one look-up.
  std::shared_ptr<const Handle> folder;
  std::size_t opened = joined.size();
  std::uint64_t forgets = 0;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    for (;;) {
      const auto known = open_.find(std::string_view(key).substr(0, opened));
      if (known != open_.end()) {
        folder = known->second;
        break;
      }
      if (opened == first) break;
      opened = key.rfind('\\', opened - 1);
    }
    forgets = forgets_;
  }
  if (folder && opened == joined.size()) {
    if (opened > volume) {
      CheckStillThere(*folder, std::string(joined), path, verb);
    }
    return folder;
  }
  // The rest is looked at name by name, outside the lock.
  for (std::size_t end = folder ? NameEnd(joined, opened) : first;;
       end = NameEnd(joined, end)) {
    const std::string at(joined.substr(0, end));
    ScopedHandle handle(OpenItself(at, FILE_READ_ATTRIBUTES, kShareAll));
    if (!handle.valid()) {
      const DWORD error = GetLastError();
      if (IsMissing(error) && missingIsNull) return nullptr;
      throw Failure(verb, path, error);
    }
    const PathFacts facts = FactsOf(handle.get());
    // A volume's root may itself be a mount point; only the names below it
    // are looked at.
    const bool root = end == volume;
    if (!root && (facts.isLink || NamedLink(at))) {
      throw FileError("cannot " + std::string(verb), path,
                      "'" + NativePath(at) +
                          "' is a symbolic link, which quillery does not "
                          "follow");
    }
    if (!facts.isFolder && !root) {
      if (missingIsNull) return nullptr;
      throw Failure(verb, path, ERROR_DIRECTORY);
    }
    folder = std::make_shared<const Handle>(facts);
    Keep(std::string_view(key).substr(0, end), folder, forgets);
    if (end == joined.size()) return folder;
  }
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
  place.key = JoinedOf(path, verb);
  if (place.key.size() <= VolumeLength(place.key)) {
    throw Failure(verb, path, ERROR_ACCESS_DENIED);
  }
  const std::size_t folderEnd = place.key.rfind('\\');
  place.folder =
      Open(std::string_view(place.key).substr(0, folderEnd), path, verb);
  return place;
}

std::shared_ptr<const FolderHandles::Handle> FolderHandles::FolderAt(
    const std::string& path, std::string_view verb) {
  return Open(JoinedOf(path, verb), path, verb);
}

void FolderHandles::Forget(std::string key) {
  key = AsciiLower(key);
  std::lock_guard<std::mutex> hold(mutex_);
  ++forgets_;
  const auto itself = open_.find(key);
  if (itself != open_.end()) open_.erase(itself);
  // The folders below it, and only those: "\a\" leaves "\ab" alone.
  key += '\\';
  auto below = open_.lower_bound(key);
  while (below != open_.end() &&
         below->first.compare(0, key.size(), key) == 0) {
    below = open_.erase(below);
  }
}

PathFacts FolderHandles::LookAt(const std::string& path) {
  const std::string joined = JoinedOf(path, "read");
  if (joined.size() > VolumeLength(joined) &&
      !Open(std::string_view(joined).substr(0, joined.rfind('\\')), path,
            "read", /*missingIsNull=*/true)) {
    return PathFacts();
  }
  return quillery::LookAt(path);
}

std::vector<std::string> FolderHandles::FolderEntries(const std::string& path) {
  static_cast<void>(FolderAt(path, "read"));
  WIN32_FIND_DATAW found;
  const std::wstring pattern = SystemPath(path) + L"\\*";
  HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return {};
    throw Failure("read", path, error);
  }
  std::vector<std::string> names;
  do {
    const std::string name = windows::Utf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) throw Failure("read", path, error);
  return names;
}

std::string FolderHandles::ReadFile(const std::string& path,
                                    std::uint64_t maxBytes) {
  static_cast<void>(PlaceOf(path, "read"));
  ScopedHandle file(OpenItself(path, GENERIC_READ, kShareAll));
  if (!file.valid()) throw Failure("read", path, GetLastError());
  const PathFacts facts = FactsOf(file.get());
  if (facts.isLink || NamedLink(path)) throw LinkRefusal("read", path);
  if (!facts.isRegular) {
    throw FileError("cannot read", path, "it is not a regular file");
  }
  if (facts.size > maxBytes) {
    throw FileError("cannot read", path,
                    "it is larger than " + std::to_string(maxBytes) + " bytes");
  }
  std::string bytes(static_cast<std::size_t>(facts.size), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const std::size_t left = bytes.size() - got;
    DWORD part = 0;
    if (!::ReadFile(file.get(), &bytes[got],
                    left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left),
                    &part, nullptr)) {
      throw Failure("read", path, GetLastError());
    }
    if (part == 0) break;
    got += part;
  }
  bytes.resize(got);
  return bytes;
}

void FolderHandles::MakeFolder(const std::string& path) {
  static_cast<void>(PlaceOf(path, "write"));
  if (!CreateDirectoryW(SystemPath(path).c_str(), nullptr)) {
    throw Failure("write", path, GetLastError());
  }
}

void FolderHandles::WriteNewFile(const std::string& path,
                                 std::string_view bytes,
                                 std::uint32_t /*mode*/) {
  static_cast<void>(PlaceOf(path, "write"));
  MakeNewFile(path, [&](HANDLE file, DWORD& error) {
    if (WriteAll(file, bytes)) return true;
    error = GetLastError();
    return false;
  });
}

void FolderHandles::CopyNewFile(const std::string& from, const std::string& to,
                                std::uint32_t /*mode*/) {
  static_cast<void>(PlaceOf(from, "read"));
  static_cast<void>(PlaceOf(to, "write"));
  ScopedHandle source(OpenItself(from, GENERIC_READ, kShareAll));
  if (!source.valid()) throw Failure("read", from, GetLastError());
  const PathFacts facts = FactsOf(source.get());
  if (facts.isLink || NamedLink(from)) throw LinkRefusal("read", from);
  if (!facts.isRegular) {
    throw FileError("cannot read", from, "it is not a regular file");
  }
  MakeNewFile(to, [&](HANDLE file, DWORD& error) {
    std::string buffer(1 << 20, '\0');
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(source.get(), buffer.data(),
                      static_cast<DWORD>(buffer.size()), &got, nullptr)) {
        error = GetLastError();
        return false;
      }
      if (got == 0) return true;
      if (!WriteAll(file, std::string_view(buffer.data(), got))) {
        error = GetLastError();
        return false;
      }
    }
  });
}

// Every file is made durable as it is written (see MakeNewFile), so there
// is nothing left to sync here; the folder is still checked.
void FolderHandles::SyncFileSystem(const std::string& path) {
  static_cast<void>(FolderAt(path, "write"));
}

// Renames are made durable as they are done (MOVEFILE_WRITE_THROUGH); the
// folder's own entries are flushed where the file system allows it.
void FolderHandles::SyncFolder(const std::string& path) {
  static_cast<void>(FolderAt(path, "write"));
  ScopedHandle folder(
      OpenItself(path, GENERIC_READ | GENERIC_WRITE, kShareAll));
  if (folder.valid()) FlushFileBuffers(folder.get());
}

void FolderHandles::RenameFile(const std::string& from, const std::string& to) {
  Place source = PlaceOf(from, "write");
  Place target = PlaceOf(to, "write");
  // What was checked there is looked at afresh when next used.
  Forget(std::move(source.key));
  Forget(std::move(target.key));
  if (!MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw Failure("write", to, GetLastError());
  }
}

void FolderHandles::RenameNewFile(const std::string& from,
                                  const std::string& to) {
  Place source = PlaceOf(from, "write");
  Place target = PlaceOf(to, "write");
  Forget(std::move(source.key));
  Forget(std::move(target.key));
  // Without MOVEFILE_REPLACE_EXISTING the move fails where a name stands.
  if (!MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                   MOVEFILE_WRITE_THROUGH)) {
    throw Failure("write", to, GetLastError());
  }
}

bool FolderHandles::ExchangeFolders(const std::string& /*first*/,
                                    const std::string& /*second*/) {
  return false;
}

bool FolderHandles::LinkFile(const std::string& from, const std::string& to) {
  static_cast<void>(PlaceOf(from, "write"));
  static_cast<void>(PlaceOf(to, "write"));
  if (quillery::LookAt(from).isLink) throw LinkRefusal("write", from);
  if (CreateHardLinkW(SystemPath(to).c_str(), SystemPath(from).c_str(),
                      nullptr)) {
    return true;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
      error == ERROR_TOO_MANY_LINKS || error == ERROR_CALL_NOT_IMPLEMENTED) {
    return false;
  }
  throw Failure("write", to, error);
}

void FolderHandles::RemoveFile(const std::string& path) {
  static_cast<void>(PlaceOf(path, "remove"));
  const std::wstring system = SystemPath(path);
  // A link to a folder is removed as a folder is; what it leads to stays.
  const DWORD attributes = GetFileAttributesW(system.c_str());
  const bool folderLink = attributes != INVALID_FILE_ATTRIBUTES &&
                          (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  const bool removed = folderLink ? RemoveDirectoryW(system.c_str()) != 0
                                  : DeleteFileW(system.c_str()) != 0;
  if (!removed) throw Failure("remove", path, GetLastError());
}

void FolderHandles::RemoveFolder(const std::string& path) {
  Place place = PlaceOf(path, "remove");
  Forget(std::move(place.key));
  if (!RemoveDirectoryW(SystemPath(path).c_str())) {
    throw Failure("remove", path, GetLastError());
  }
}

// The lock is a byte of a hidden file among the folder's contents, far
// past its end so that the empty file stays readable; the system drops the
// lock when the process ends, and the holder removes the file when it lets
// go (the next holder removes one a killed run left).
FolderLock::FolderLock(const std::string& folder) {
  lockPath_ = SitePath(folder).Join(".quillery.lock").text();
  HANDLE file = CreateFileW(
      SystemPath(lockPath_).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
      nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A lock file that is being removed belongs to a run that holds it.
    if (error == ERROR_ACCESS_DENIED &&
        GetFileAttributesW(SystemPath(lockPath_).c_str()) !=
            INVALID_FILE_ATTRIBUTES) {
      return;
    }
    throw Failure("read", folder, error);
  }
  file_ = file;
  OVERLAPPED pastTheEnd{};
  pastTheEnd.OffsetHigh = 0x7fffffff;
  acquired_ =
      LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                 1, 0, &pastTheEnd) != 0 ||
      GetLastError() != ERROR_LOCK_VIOLATION;
}

FolderLock::~FolderLock() {
  if (file_ == nullptr) return;
  CloseHandle(static_cast<HANDLE>(file_));
  // Only the holder removes the file; a run refused leaves it to the holder.
  if (acquired_) DeleteFileW(SystemPath(lockPath_).c_str());
}

}  // namespace quillery
