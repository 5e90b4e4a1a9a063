// Start-up and the run condition; see startup.h.
#include "app/startup.h"

#include <initializer_list>
#include <ostream>
#include <string_view>

#include "app/command_line.h"
#include "app/progress.h"
#include "convert/conversion_driver.h"
#include "convert/file_operations.h"
#include "platform/file_io.h"
#include "text/bytes.h"
#include "window/resources.h"

namespace quillery {

const char* const kQuilleryVersion = QUILLERY_VERSION_TEXT;

namespace {

bool AsksFor(const std::vector<std::string>& words,
             std::initializer_list<std::string_view> switches) {
  for (const std::string& word : words) {
    for (std::string_view wanted : switches) {
      if (word == wanted) return true;
    }
  }
  return false;
}

// One line on stderr, its control bytes written out.
void Say(std::ostream& err, const std::string& message) {
  err << "quillery: " << EscapeControlBytes(message) << "\n";
}

}  // namespace

QuilleryApp::QuilleryApp(std::string programFolder, std::ostream& out,
                         std::ostream& err, bool errIsTerminal)
    : settings(programFolder),
      out_(out),
      err_(err),
      errIsTerminal_(errIsTerminal) {}

bool QuilleryApp::ProcessShellCommand(const CCommandLineInfo& info,
                                      int& exitStatus) {
  using Command = CCommandLineInfo::ShellCommand;
  exitStatus = 0;
  switch (info.nShellCommand) {
    case Command::FilePrint:
    case Command::FilePrintTo:
      Say(err_, "printing is not available; nothing converted");
      return false;
    case Command::AppRegister:
    case Command::AppUnregister:
      Say(err_, "there is nothing to register; nothing converted");
      return false;
    case Command::FileNew:
    case Command::FileOpen:
    case Command::FileDDE:
      break;
  }
  // Started for another program (dde, embedding, automation) the window is
  // made but not shown.
  bool makeVisible = info.nShellCommand != Command::FileDDE &&
                     !info.bRunEmbedded && !info.bRunAutomated;
  std::string document;
  if (info.nShellCommand == Command::FileOpen) document = info.strFileName;
  if (!docTemplate_->OpenDocumentFile(document, makeVisible)) {
    Say(err_, document.empty() ? std::string("cannot create the main window")
                               : "cannot open the document '" + document + "'");
    exitStatus = 1;
    return false;
  }
  return true;
}

int QuilleryApp::InitInstance(const std::vector<std::string>& words) {
  if (words.empty()) {
    err_ << ShortUsageText();
    return 0;
  }
  if (AsksFor(words, {"--version"})) {
    out_ << "quillery " << kQuilleryVersion << "\n";
    return 0;
  }
  if (AsksFor(words, {"--help", "-h", "/?", "-?"})) {
    out_ << UsageText();
    return 0;
  }
  docTemplate_ = std::make_unique<CSingleDocTemplate>(kIdrMainFrame,
                                                      settings.programFolder);

  ConversionCommandLineInfo commandLine(settings);
  commandLine.Parse(words);
  for (const std::string& warning : commandLine.warnings()) {
    Say(err_, warning);
  }

  int exitStatus = 0;
  if (!ProcessShellCommand(commandLine, exitStatus)) return exitStatus;

  if (settings.OPTINCLUDETOC == 0 || settings.MAINFILE.empty()) {
    Say(err_,
        "nothing converted: a run needs /MAINFILE=<frames page> and "
        "/OPTINCLUDETOC=1 (see --help)");
    return 0;
  }
  const std::string mainFilePath = InternalPath(settings.MAINFILE);
  SystemFileOperations files;
  // Cleared when it goes, also by an error on its way to the caller.
  TerminalProgress progress(err_, errIsTerminal_ && !commandLine.quiet);
  progress.StartTimer();
  const ConversionOutcome outcome =
      RunConversion(mainFilePath, RequestOf(settings), files, progress);
  progress.Clear();
  switch (outcome) {
    case ConversionOutcome::kNoTocFrame:
      // Asked to convert and nothing converted: a script must see it.
      Say(err_, "nothing converted: '" + NativePath(mainFilePath) +
                    "' names no TOC frame" +
                    (settings.BUILDTOC == 0
                         ? "; a plain web page converts with /BUILDTOC=1"
                         : ""));
      return 1;
    case ConversionOutcome::kCompletedInterrupted:
      Say(err_, "completed an interrupted conversion of '" +
                    NativePath(mainFilePath) + "'; nothing else converted");
      break;
    case ConversionOutcome::kConverted:
      if (commandLine.verbose) Say(err_, progress.Summary());
      // Quiet leaves only warnings and errors.
      if (!commandLine.quiet) Say(err_, progress.finishedLine());
      break;
    case ConversionOutcome::kNoMainFile:
      break;
  }
  return 0;
}

}  // namespace quillery
