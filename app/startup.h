// Start-up of a run: settings from their defaults and the command line, the
// main window, at most one conversion, and the exit status.
#ifndef QUILLERY_APP_STARTUP_H_
#define QUILLERY_APP_STARTUP_H_

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/command_line_info.h"
#include "window/document_template.h"

namespace quillery {

// The program's version, as CMakeLists.txt gives it.
extern const char* const kQuilleryVersion;

class QuilleryApp {
 public:
  // `programFolder` in internal form; the default paths are built from it.
  // `errIsTerminal`: `err` goes to a terminal, where a long run shows its
  // progress.
  QuilleryApp(std::string programFolder, std::ostream& out, std::ostream& err,
              bool errIsTerminal = false);

  // Runs start-up with the words after the program name and returns the
  // exit status: 0 once the window is up, whether or not a conversion ran;
  // 1 when start-up fails, or when a run asked to convert (OPTINCLUDETOC
  // and MAINFILE set) finds a main file that names no TOC frame. A
  // conversion ends with one line naming the file to open (not with -q).
  // Without any word it prints the short usage, with --version the version,
  // with --help the usage. A conversion's file problems throw FileError, which
  // the caller reports.
  int InitInstance(const std::vector<std::string>& words);

  ConversionSettings settings;

  // The document template, once start-up has made it.
  [[nodiscard]] const CSingleDocTemplate* docTemplate() const {
    return docTemplate_.get();
  }

 private:
  // Carries out the framework's shell command. Returns false when start-up
  // is to end here (with `exitStatus` set).
  bool ProcessShellCommand(const CCommandLineInfo& info, int& exitStatus);

  std::ostream& out_;
  std::ostream& err_;
  bool errIsTerminal_;
  std::unique_ptr<CSingleDocTemplate> docTemplate_;
};

}  // namespace quillery

#endif  // QUILLERY_APP_STARTUP_H_
