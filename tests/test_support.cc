// Test helpers; see test_support.h.
#include "tests/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quillery {
namespace testing {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
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
#endif

}  // namespace

ScopedTempDir::ScopedTempDir() {
#ifdef _WIN32
  // Named as the system names paths, so that a message's path and File()
  // agree.
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path candidate = fs::temp_directory_path() /
                               ("quillery-test-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = NativePath(InternalPath(candidate.u8string()));
    }
  }
  if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
#else
  std::string pattern =
      (fs::temp_directory_path() / "quillery-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder");
  }
  path_ = pattern;
#endif
}

std::string ScopedTempDir::File(const std::string& name) const {
#ifdef _WIN32
  std::string file = path_ + "\\" + name;
  for (char& c : file) {
    if (c == '/') c = '\\';
  }
  return file;
#else
  return path_ + "/" + name;
#endif
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  fs::permissions(fs::u8path(path_), fs::perms::owner_all,
                  fs::perm_options::add, ignored);
  RemoveAll(path_);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::path parent = fs::u8path(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) { return fs::exists(fs::u8path(path)); }

std::map<std::string, std::string> ReadTree(const std::string& folder) {
  std::map<std::string, std::string> files;
#ifdef _WIN32
  // A long path in the long form, which takes any length.
  const bool longForm = folder.size() > 200 && folder[1] == ':';
  const std::string root = longForm ? "\\\\?\\" + folder : folder;
#else
  const std::string& root = folder;
#endif
  for (auto it = fs::recursive_directory_iterator(fs::u8path(root));
       it != fs::recursive_directory_iterator(); ++it) {
    const fs::directory_entry& entry = *it;
#ifdef _WIN32
    // A link to a folder is not gone into, as on other systems.
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      it.disable_recursion_pending();
      continue;
    }
#endif
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().u8string();
    const bool separated =
        !root.empty() &&
        (root.back() == '/' || root.back() == fs::path::preferred_separator);
    std::string relative = path.substr(root.size() + (separated ? 0 : 1));
#ifdef _WIN32
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
#endif
    files[relative] = ReadBytes(path);
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

#ifdef _WIN32

namespace {

// A word as CommandLineToArgvW reads it back: in quotes, each quote and
// the backslashes before it doubled up.
std::wstring QuotedWord(const std::wstring& word) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::wstring WideOf(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

HANDLE InheritedFile(const std::wstring& path, DWORD access, DWORD creation) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &inherit, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

RunResult RunProgram(const std::string& program,
                     const std::vector<std::string>& words,
                     const std::string& workingFolder) {
  ScopedTempDir capture;
  const std::wstring executable = WideOf(NativePath(InternalPath(program)));
  std::wstring line = QuotedWord(executable);
  for (const std::string& word : words) line += L" " + QuotedWord(WideOf(word));
  HANDLE out =
      InheritedFile(WideOf(capture.File("out")), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err =
      InheritedFile(WideOf(capture.File("err")), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = InheritedFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring folder = WideOf(NativePath(InternalPath(workingFolder)));
  const bool started =
      CreateProcessW(executable.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                     nullptr, folder.c_str(), &startup, &process) != 0;
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  RunResult result;
  if (!started) return result;
  // A run that hangs ends after a minute, exit 124.
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 124);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.exitStatus = static_cast<int>(status);
  result.out = ReadBytes(capture.File("out"));
  result.err = ReadBytes(capture.File("err"));
  return result;
}

namespace {

// Runs a program of the host system (Wine starts those too) and waits.
bool RunHostProgram(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 60000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Wine does not wait for a host program to end: true once `done` holds,
// false when it still does not after ten seconds.
template <typename Done>
bool Eventually(Done done) {
  for (int tries = 0; tries < 1000; ++tries) {
    if (done()) return true;
    Sleep(10);
  }
  return false;
}

// The host system's path of a Windows path, under Wine.
std::string HostPath(const std::string& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto toUnix =
      reinterpret_cast<ToUnix>(reinterpret_cast<void*>(GetProcAddress(
          GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return std::string();
  char* hostPath = toUnix(WideOf(path).c_str());
  if (hostPath == nullptr) return std::string();
  std::string copy = hostPath;
  HeapFree(GetProcessHeap(), 0, hostPath);
  return copy;
}

}  // namespace

bool HasFifos() { return false; }
int MakeFifo(const std::string& /*path*/) { return -1; }
bool ShowsLinksToFiles() { return !RunsUnderWine(); }
bool RemovesLinksToFolders() { return !RunsUnderWine(); }

void RemoveAll(const std::string& path) {
  if (RunsUnderWine()) {
    const std::string hostPath = HostPath(path);
    if (!hostPath.empty()) {
      RunHostProgram(L"Z:\\bin\\rm -rf " + QuotedWord(WideOf(hostPath)));
      static_cast<void>(Eventually([&] {
        return GetFileAttributesW(WideOf(path).c_str()) ==
               INVALID_FILE_ATTRIBUTES;
      }));
      return;
    }
  }
  std::error_code ignored;
  fs::remove_all(fs::u8path(path), ignored);
}

bool RunsUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") !=
         nullptr;
}

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  const bool absolute = target.size() > 1 && target[1] == ':';
  std::string windowsTarget = target;
  for (char& c : windowsTarget) {
    if (c == '/') c = '\\';
  }
  if (RunsUnderWine()) {
    std::string hostTarget = absolute ? HostPath(target) : target;
    for (char& c : hostTarget) {
      if (c == '\\') c = '/';
    }
    const std::string hostLink = HostPath(link);
    if (hostTarget.empty() || hostLink.empty()) return false;
    return RunHostProgram(L"Z:\\bin\\ln -s " + QuotedWord(WideOf(hostTarget)) +
                          L" " + QuotedWord(WideOf(hostLink))) &&
           Eventually([&] {
             return GetFileAttributesW(WideOf(link).c_str()) !=
                    INVALID_FILE_ATTRIBUTES;
           });
  }
  const fs::path resolved =
      absolute ? fs::u8path(windowsTarget)
               : fs::u8path(link).parent_path() / fs::u8path(windowsTarget);
  DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  if (fs::is_directory(resolved)) flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  return CreateSymbolicLinkW(WideOf(link).c_str(),
                             WideOf(windowsTarget).c_str(), flags) != 0;
}

#else

bool RunsUnderWine() { return false; }

void RemoveAll(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}
bool HasFifos() { return true; }
int MakeFifo(const std::string& path) { return mkfifo(path.c_str(), 0600); }
bool ShowsLinksToFiles() { return true; }
bool RemovesLinksToFolders() { return true; }

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  return symlink(target.c_str(), link.c_str()) == 0;
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

#endif

}  // namespace testing
}  // namespace quillery
