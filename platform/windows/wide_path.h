// What the Windows platform files share: UTF-8 and UTF-16 texts, the door
// from an internal path to the system's form, and the reason of a failure.
//
// On Windows an internal path keeps the volume as its first name:
// "C:\Users\me\doc.htm" is "\C:\Users\me\doc.htm" inside the program, and the
// share "\\server\docs\doc.htm" is "\UNC\server\docs\doc.htm". So every
// internal path still begins with "\", and the path operations of the text
// core (folder, join, inside, relative) work on it as on a POSIX one.
#ifndef QUILLERY_PLATFORM_WINDOWS_WIDE_PATH_H_
#define QUILLERY_PLATFORM_WINDOWS_WIDE_PATH_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace quillery {
namespace windows {

// UTF-8 to UTF-16 and back. Bytes that are no UTF-8 become U+FFFD; a
// lone surrogate from the system becomes U+FFFD too.
[[nodiscard]] std::wstring Wide(std::string_view utf8);
[[nodiscard]] std::string Utf8(std::wstring_view utf16);

// The internal path as the system opens it, in the long form that has no
// length limit ("\\?\C:\Users\me\doc.htm", "\\?\UNC\server\docs\doc.htm"),
// "." and ".." folded, since the long form takes every name as it stands. A
// path without a volume ("\tmp\doc.htm") is handed over as it is, with "\"
// separators, and lies on the volume of the current folder.
[[nodiscard]] std::wstring SystemPath(const std::string& internalPath);

// The path the system gave ("C:\a", "\\server\share\a", "\\?\C:\a",
// "\\?\UNC\server\share\a") in internal form.
[[nodiscard]] std::string InternalFromSystem(std::wstring_view systemPath);

// The words a message gives for a Win32 error code: the POSIX wording for
// the common ones ("No such file or directory", "Permission denied"), so
// that a message reads the same on every system, else the system's own.
[[nodiscard]] std::string Reason(DWORD error);

// A handle closed when the object goes.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE)
      : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  [[nodiscard]] HANDLE get() const { return handle_; }
  [[nodiscard]] bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Gives the handle up without closing it.
  [[nodiscard]] HANDLE release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  // Closes now; false when the system reports a failure.
  bool Close() {
    if (!valid()) return true;
    const bool ok = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

}  // namespace windows
}  // namespace quillery

#endif  // QUILLERY_PLATFORM_WINDOWS_WIDE_PATH_H_
