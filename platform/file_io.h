// Whole-file reads and the two path forms; the writer's operations are in
// file_system.h.
//
// Inside a conversion a path is in internal form: absolute, with "\" as the
// only separator ("\tmp\site\doc.htm"); a forward slash is an ordinary byte
// there. Every function here takes internal paths and turns them into native
// ones ("\" becomes "/") only at the moment a file is touched. On Windows the
// volume is the first name ("\C:\Users\me\doc.htm", a share
// "\UNC\server\docs\doc.htm"), and the native form is the system's own
// ("C:\Users\me\doc.htm", "\\server\docs\doc.htm").
#ifndef QUILLERY_PLATFORM_FILE_IO_H_
#define QUILLERY_PLATFORM_FILE_IO_H_

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/shared_text.h"

namespace quillery {

// A file problem that stops the conversion. `what()` is the whole message
// without the program name, such as
// "cannot read '/tmp/site/doc.htm': No such file or directory": what could
// not be done, to which file, and why. Those three parts are kept as well, so
// that a caller can name the file otherwise (the file the user knows instead
// of a staged copy) without taking the message apart.
class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& message);
  // "<action> '<native form of path>': <reason>"; without a reason,
  // "<action> '<native form of path>'".
  FileError(std::string action, std::string path, std::string reason);

  // The same failure told of another file.
  [[nodiscard]] FileError Naming(std::string path) const;

  // Empty for an error made from a whole message.
  [[nodiscard]] const std::string& action() const { return action_; }
  [[nodiscard]] const std::string& path() const { return path_; }  // internal
  [[nodiscard]] const std::string& reason() const { return reason_; }

 private:
  std::string action_;
  std::string path_;
  std::string reason_;
};

// The failure of a conversion whose document someone else changed or cut
// short while the conversion read it ("it was changed while it was
// converted").
[[nodiscard]] FileError ChangedWhileReadError(const std::string& internalPath);

// The typed path made absolute against the current directory, with every "/"
// turned into "\". A path that already begins with "/" or "\" is only
// converted, so the function may be applied twice.
[[nodiscard]] std::string InternalPath(const std::string& typed);

// The internal path with every "\" turned into "/", as the system opens it;
// on Windows the system's form with "\" separators ("C:\Users\me").
[[nodiscard]] std::string NativePath(const std::string& internalPath);

// The whole text file as bytes. Throws FileError when it cannot be opened or
// read, when it is no regular file (a folder, a FIFO, a device: reading one
// could block or never end), and when it holds a zero byte (a UTF-16 save or
// a binary file, which the conversion would otherwise cut short).
[[nodiscard]] std::string ReadFile(const std::string& internalPath);

// ReadFile for the content page of a conversion, which may be very large.
// Where the system can, a large one is mapped into memory from its file
// instead of copied: its bytes are the file's until it is let go, and it
// tells, when asked, whether the file was written or cut short meanwhile
// (its bytes are then no longer the ones read: a part cut off reads as zero
// bytes, and the conversion must not use them). Elsewhere, and for a small
// file, its bytes are read as ReadFile reads them.
[[nodiscard]] SharedText ReadDocumentFile(const std::string& internalPath);

// ReadFile for a binary file such as an image: zero bytes are fine.
[[nodiscard]] std::string ReadBinaryFile(const std::string& internalPath);

// The path with every symbolic link, "." and ".." resolved, in internal form;
// nothing when it does not exist or cannot be resolved.
[[nodiscard]] std::optional<std::string> RealPath(
    const std::string& internalPath);

// True when the path names a file (not a folder) that can be opened for
// reading.
[[nodiscard]] bool CanOpenForReading(const std::string& internalPath);

// True when something exists at the path.
[[nodiscard]] bool FileExists(const std::string& internalPath);

// Called once at start-up, before ProgramFolder, with the word the program
// was started by (argv[0]). Where the system cannot tell a program its own
// file (the POSIX-only build, but on macOS; Linux without /proc mounted),
// ProgramFolder finds it from this word as a shell found it: a path from
// the working folder, or a bare name in the folders of PATH. Elsewhere it
// does nothing.
void RememberProgramPath(const std::string& argv0);

// The folder of the running executable in internal form, without a trailing
// backslash ("\usr\local\bin"), symbolic links resolved; empty when it
// cannot be told.
[[nodiscard]] std::string ProgramFolder();

// The folder of the program's own files (the default template, header and
// footer, the bullet images, the start page): the program folder when they
// are there, else "../share/quillery" from it when that folder exists, as an
// installed program has them.
[[nodiscard]] std::string ProgramFilesFolder();

// True when the process's standard error is a terminal.
[[nodiscard]] bool StandardErrorIsTerminal();

}  // namespace quillery

#endif  // QUILLERY_PLATFORM_FILE_IO_H_
