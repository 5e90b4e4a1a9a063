// UTF-16 at the door and the long path form; see wide_path.h.
#include "platform/windows/wide_path.h"

#include <vector>

#include "text/site_path.h"

namespace quillery {
namespace windows {
namespace {

bool IsDriveName(std::string_view name) {
  return name.size() == 2 && name[1] == ':' &&
         ((name[0] >= 'A' && name[0] <= 'Z') ||
          (name[0] >= 'a' && name[0] <= 'z'));
}

// The names after the volume with "." and ".." folded; a ".." at the top
// stays at the top, the volume's root being its own parent.
std::wstring FoldedTail(const std::vector<std::string>& names,
                        std::size_t first) {
  std::vector<const std::string*> kept;
  for (std::size_t i = first; i < names.size(); ++i) {
    if (names[i] == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(&names[i]);
  }
  std::string tail;
  for (const std::string* name : kept) {
    if (!tail.empty()) tail += '\\';
    tail += *name;
  }
  return Wide(tail);
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8(std::wstring_view utf16) {
  if (utf16.empty()) return std::string();
  const int size = static_cast<int>(utf16.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size,
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, utf8.data(), length,
                      nullptr, nullptr);
  return utf8;
}

std::wstring SystemPath(const std::string& internalPath) {
  const SitePath path(internalPath);
  const std::vector<std::string> names = path.Components();
  if (path.IsAbsolute() && !names.empty() && IsDriveName(names[0])) {
    return L"\\\\?\\" + Wide(names[0]) + L"\\" + FoldedTail(names, 1);
  }
  if (path.IsAbsolute() && names.size() >= 3 && names[0] == "UNC") {
    return L"\\\\?\\UNC\\" + Wide(names[1]) + L"\\" + Wide(names[2]) + L"\\" +
           FoldedTail(names, 3);
  }
  std::wstring wide = Wide(internalPath);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

std::string InternalFromSystem(std::wstring_view systemPath) {
  std::string path = Utf8(systemPath);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::string internal;
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
    internal = "\\UNC\\" + path.substr(8);
  } else if (path.rfind("\\\\?\\", 0) == 0) {
    internal = "\\" + path.substr(4);
  } else if (path.rfind("\\\\", 0) == 0) {
    internal = "\\UNC\\" + path.substr(2);
  } else if (!path.empty() && path[0] != '\\') {
    internal = "\\" + path;
  } else {
    internal = path;
  }
  while (internal.size() > 1 && internal.back() == '\\') internal.pop_back();
  return internal;
}

std::string Reason(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "Permission denied";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "File exists";
    case ERROR_DIR_NOT_EMPTY:
      return "Directory not empty";
    case ERROR_DIRECTORY:
      return "Not a directory";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    case ERROR_NOT_SAME_DEVICE:
      return "Invalid cross-device link";
    case ERROR_WRITE_PROTECT:
      return "Read-only file system";
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length > 0 && text != nullptr) {
    reason = Utf8(std::wstring_view(text, length));
    LocalFree(text);
  }
  // The system's texts end in ".\r\n".
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = "system error " + std::to_string(error);
  return reason;
}

}  // namespace windows
}  // namespace quillery
