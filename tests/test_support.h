// Shared helpers of the file and whole-program tests: a fresh temporary
// folder per test, byte-exact file access, and running the built program.
#ifndef QUILLERY_TESTS_TEST_SUPPORT_H_
#define QUILLERY_TESTS_TEST_SUPPORT_H_

#include <map>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace quillery {
namespace testing {

// The separator of the paths the program's messages show.
#ifdef _WIN32
inline constexpr char kSeparator[] = "\\";
#else
inline constexpr char kSeparator[] = "/";
#endif

// A new empty folder under the system's temporary folder, removed with all it
// holds when the object goes.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  // Native path of the folder, without a trailing slash.
  const std::string& path() const { return path_; }
  // Native path of a file inside it; on Windows every "/" of `name` becomes
  // "\\", so that the path reads as the program's messages show it.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Whole-file helpers on native paths; WriteBytes creates missing folders.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// Makes `link` a symbolic link to `target` (a path from the link's folder, or
// an absolute one); false when it cannot. Under Wine, whose own call makes
// none, the link is made by the host system's `ln`.
bool MakeSymbolicLink(const std::string& target, const std::string& link);

// True when the tests run under Wine, which shows a symbolic link to a file
// as the file itself and lets a folder held open be renamed.
bool RunsUnderWine();

// What a host system can make and show, for the tests that plant such
// things: FIFOs (none on Windows), and a symbolic link to a file told from
// the file (Wine shows only links to folders as links).
bool HasFifos();
bool ShowsLinksToFiles();
// False under Wine, which cannot remove a symbolic link to a folder.
bool RemovesLinksToFolders();

// mkfifo with mode 0600 where the host has FIFOs: 0, or -1 when it cannot.
int MakeFifo(const std::string& path);

// Removes the file, link or folder at `path` with all it holds; a link is
// removed, never what it leads to. Under Wine, which cannot remove a link to
// a folder, the host system's `rm` does it.
void RemoveAll(const std::string& path);

// Every regular file under `folder`, by path relative to it, with its bytes.
std::map<std::string, std::string> ReadTree(const std::string& folder);

// The message of the FileError that `action` throws, or "no error".
template <typename Action>
std::string FileErrorOf(Action action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}

// A small word-processor site: a content page with two headings (and a
// style block), its contents frame page linking to them as "Body.htm", and
// a frames page showing a contents frame page and a content page.
extern const std::string kTwoHeadingContent;
extern const std::string kTwoEntryToc;
// The same contents as the word processor writes them into a frames site:
// each link names the Frame1 frame.
extern const std::string kFramedTwoEntryToc;
std::string FramesPage(const std::string& toc, const std::string& content);

struct RunResult {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

// Runs the built quillery with `words`, in `workingFolder`.
RunResult RunQuillery(const std::vector<std::string>& words,
                      const std::string& workingFolder);

// Runs `program` (a copy of quillery, say, in a folder of its own) likewise.
RunResult RunProgram(const std::string& program,
                     const std::vector<std::string>& words,
                     const std::string& workingFolder);

}  // namespace testing
}  // namespace quillery

#endif  // QUILLERY_TESTS_TEST_SUPPORT_H_
