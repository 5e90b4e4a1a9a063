// The UTF-16 command line in UTF-8 words, and a UTF-8 console; see
// program_words.h.
#include "platform/program_words.h"

#include <windows.h>
// shellapi.h needs what windows.h declares.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "platform/windows/wide_path.h"

namespace quillery {
namespace {

UINT earlierCodePage = 0;

void RestoreCodePage() { SetConsoleOutputCP(earlierCodePage); }

}  // namespace

std::vector<std::string> ProgramWords(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    if (argc < 1) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
  }
  std::vector<std::string> words;
  for (int i = 1; i < count; ++i) words.push_back(windows::Utf8(wide[i]));
  LocalFree(wide);
  return words;
}

void UseUtf8Output() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  earlierCodePage = GetConsoleOutputCP();
  if (earlierCodePage != 0 && earlierCodePage != CP_UTF8 &&
      SetConsoleOutputCP(CP_UTF8)) {
    std::atexit(RestoreCodePage);
  }
}

}  // namespace quillery
