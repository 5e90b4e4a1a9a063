// Test helpers; see test_support.h.
#include "tests/test_support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillery {
namespace testing {
namespace {

namespace fs = std::filesystem;

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

ScopedTempDir::ScopedTempDir() {
  std::string pattern =
      (fs::temp_directory_path() / "quillery-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder");
  }
  path_ = pattern;
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::path parent = fs::path(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::map<std::string, std::string> ReadTree(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    files[fs::relative(entry.path(), folder).string()] =
        ReadBytes(entry.path().string());
  }
  return files;
}

const std::string kTwoHeadingContent =
    "<html><head><style>\r\n<!--\r\n /* Font Definitions */\r\n-->\r\n"
    "</style></head><body>\r\n<p>pre</p><h1><a name=\"_Toc1\">One</a></h1>"
    "<p>a</p><h1><a name=\"_Toc2\">Two</a></h1></body></html>";
const std::string kTwoEntryToc =
    "<html><body>\r\n<p class=MsoToc1><a href=\"Body.htm#_Toc1\">One</a></p>"
    "\r\n<p class=MsoToc1><a href=\"Body.htm#_Toc2\">Two</a></p>\r\n"
    "</body></html>";
const std::string kFramedTwoEntryToc =
    "<html><body>\r\n<p class=MsoToc1><a href=\"Body.htm#_Toc1\" "
    "target=Frame1>One</a></p>\r\n<p class=MsoToc1><a "
    "href=\"Body.htm#_Toc2\" target=Frame1>Two</a></p>\r\n</body></html>";

std::string FramesPage(const std::string& toc, const std::string& content) {
  return "<html><frameset cols=\"245,*\">\r\n<frame name=TOC src=\"" + toc +
         "\">\r\n<frame name=Frame1 src=\"" + content +
         "\">\r\n</frameset></html>\r\n";
}

RunResult RunQuillery(const std::vector<std::string>& words,
                      const std::string& workingFolder) {
  return RunProgram(QUILLERY_EXE, words, workingFolder);
}

RunResult RunProgram(const std::string& program,
                     const std::vector<std::string>& words,
                     const std::string& workingFolder) {
  ScopedTempDir capture;
  // A run that hangs (reading a FIFO, say) ends after a minute, exit 124.
  std::string command = "cd " + ShellQuoted(workingFolder) + " && timeout 60 " +
                        ShellQuoted(program);
  for (const std::string& word : words) command += " " + ShellQuoted(word);
  command += " >" + ShellQuoted(capture.File("out")) + " 2>" +
             ShellQuoted(capture.File("err")) + " </dev/null";
  int status = std::system(command.c_str());
  RunResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadBytes(capture.File("out"));
  result.err = ReadBytes(capture.File("err"));
  return result;
}

}  // namespace testing
}  // namespace quillery
