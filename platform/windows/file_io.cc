// Windows file access behind the internal path form; see file_io.h and, for
// the form of a Windows path inside the program, wide_path.h.
#include "platform/file_io.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/windows/wide_path.h"
#include "text/site_path.h"

namespace quillery {
namespace {

using windows::Reason;
using windows::ScopedHandle;
using windows::SystemPath;

FileError ReadError(const std::string& internalPath, DWORD error) {
  return FileError("cannot read", internalPath, Reason(error));
}

// True for "\C:" or "\C:\..." and "\UNC\...": a path already internal.
bool IsInternalForm(const std::string& path) {
  if (path.empty() || !IsPathSeparator(path[0])) return false;
  const bool drive = path.size() >= 3 && path[2] == ':' &&
                     (path.size() == 3 || IsPathSeparator(path[3])) &&
                     ((path[1] >= 'A' && path[1] <= 'Z') ||
                      (path[1] >= 'a' && path[1] <= 'z'));
  const bool share = path.size() > 5 && path.compare(1, 3, "UNC") == 0 &&
                     IsPathSeparator(path[4]);
  return drive || share;
}

// Opens an existing file or folder for reading, links followed.
HANDLE OpenForReading(const std::string& internalPath) {
  return CreateFileW(SystemPath(internalPath).c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                     nullptr);
}

// Reads an open file to its end. Returns false with the error on failure.
bool ReadAll(HANDLE file, std::string& bytes, DWORD& error) {
  LARGE_INTEGER size;
  std::size_t room = 64 * 1024;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    room = static_cast<std::size_t>(size.QuadPart) + 1;
  }
  bytes.resize(room);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
    const std::size_t want = bytes.size() - filled;
    const DWORD ask = want > 0x40000000 ? 0x40000000 : static_cast<DWORD>(want);
    DWORD got = 0;
    if (!::ReadFile(file, bytes.data() + filled, ask, &got, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (got == 0) {
      bytes.resize(filled);
      return true;
    }
    filled += got;
  }
}

std::string ReadRegularFile(const std::string& internalPath,
                            bool refuseZeroByte) {
  ScopedHandle file(OpenForReading(internalPath));
  if (!file.valid()) throw ReadError(internalPath, GetLastError());
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.get(), &info)) {
    throw ReadError(internalPath, GetLastError());
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw FileError("cannot read", internalPath, "Is a directory");
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    throw FileError("cannot read", internalPath, "it is not a regular file");
  }
  std::string bytes;
  DWORD error = 0;
  if (!ReadAll(file.get(), bytes, error)) throw ReadError(internalPath, error);
  if (refuseZeroByte && bytes.find('\0') != std::string::npos) {
    throw FileError("cannot read", internalPath,
                    "it holds a zero byte (a UTF-16 or binary file?)");
  }
  return bytes;
}

DWORD AttributesOf(const std::string& internalPath) {
  return GetFileAttributesW(SystemPath(internalPath).c_str());
}

}  // namespace

std::string InternalPath(const std::string& typed) {
  if (IsInternalForm(typed)) return SitePath::FromSlashForm(typed).text();
  const std::wstring wide = windows::Wide(typed.empty() ? "." : typed);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(
        wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return SitePath::FromSlashForm(typed).text();
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length);
  }
  return windows::InternalFromSystem(full);
}

std::string NativePath(const std::string& internalPath) {
  return WindowsForm(internalPath);
}

std::string ReadFile(const std::string& internalPath) {
  return ReadRegularFile(internalPath, /*refuseZeroByte=*/true);
}

// Read whole here: a file mapped into memory could not be replaced by the
// commit while the conversion holds it.
SharedText ReadDocumentFile(const std::string& internalPath) {
  return SharedText(ReadFile(internalPath));
}

std::string ReadBinaryFile(const std::string& internalPath) {
  return ReadRegularFile(internalPath, /*refuseZeroByte=*/false);
}

std::optional<std::string> RealPath(const std::string& internalPath) {
  // Only its attributes: a folder we may not read still has a path.
  ScopedHandle file(
      CreateFileW(SystemPath(internalPath).c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return std::nullopt;
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(
        file.get(), final.data(), static_cast<DWORD>(final.size()),
        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    // Where the system cannot tell (Wine, for a long path), the path as it
    // stands, which the handle has just shown to exist.
    if (length == 0) return InternalPath(internalPath);
    if (length < final.size()) {
      final.resize(length);
      break;
    }
    final.resize(length);
  }
  return windows::InternalFromSystem(final);
}

bool CanOpenForReading(const std::string& internalPath) {
  ScopedHandle file(OpenForReading(internalPath));
  if (!file.valid()) return false;
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(file.get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FileExists(const std::string& internalPath) {
  return AttributesOf(internalPath) != INVALID_FILE_ATTRIBUTES;
}

// The system tells the program its own file (GetModuleFileNameW).
void RememberProgramPath(const std::string& /*argv0*/) {}

std::string ProgramFolder() {
  std::wstring module(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, module.data(),
                                            static_cast<DWORD>(module.size()));
    if (length == 0) return std::string();
    if (length < module.size()) {
      module.resize(length);
      break;
    }
    module.resize(module.size() * 2);
  }
  std::string executable = windows::InternalFromSystem(module);
  if (std::optional<std::string> real = RealPath(executable)) {
    executable = *real;
  }
  const std::size_t slash = executable.rfind('\\');
  if (slash == std::string::npos) return std::string();
  return executable.substr(0, slash);
}

std::string ProgramFilesFolder() {
  const std::string folder = ProgramFolder();
  if (AttributesOf(folder + "\\base.htm") != INVALID_FILE_ATTRIBUTES) {
    return folder;
  }
  const std::size_t slash = folder.rfind('\\');
  if (slash == std::string::npos) return folder;
  const std::string shared = folder.substr(0, slash) + "\\share\\quillery";
  const DWORD attributes = AttributesOf(shared);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return shared;
  }
  return folder;
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace quillery
