// Start-up and the run condition; see startup.h.
#include "app/startup.h"

#include <ostream>

#include "app/command_line.h"
#include "convert/conversion_driver.h"
#include "platform/file_io.h"
#include "window/resources.h"

namespace quillery {
namespace {

bool AsksForHelp(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    if (word == "--help" || word == "-h" || word == "/?" || word == "-?") {
      return true;
    }
  }
  return false;
}

}  // namespace

QuilleryApp::QuilleryApp(std::string programFolder, std::ostream& out,
                         std::ostream& err)
    : settings(programFolder), out_(out), err_(err) {}

bool QuilleryApp::ProcessShellCommand(const CCommandLineInfo& info,
                                      int& exitStatus) {
  using Command = CCommandLineInfo::ShellCommand;
  exitStatus = 0;
  switch (info.nShellCommand) {
    case Command::FilePrint:
    case Command::FilePrintTo:
      err_ << "quillery: printing is not available; nothing converted\n";
      return false;
    case Command::AppRegister:
    case Command::AppUnregister:
      err_ << "quillery: there is nothing to register; nothing converted\n";
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
    err_ << (document.empty()
                 ? std::string("quillery: cannot create the main window\n")
                 : "quillery: cannot open the document '" + document + "'\n");
    exitStatus = 1;
    return false;
  }
  return true;
}

int QuilleryApp::InitInstance(const std::vector<std::string>& words) {
  if (AsksForHelp(words)) {
    out_ << UsageText();
    return 0;
  }
  docTemplate_ = std::make_unique<CSingleDocTemplate>(kIdrMainFrame,
                                                      settings.programFolder);

  ConversionCommandLineInfo commandLine(settings);
  ParseCommandLine(words, commandLine);
  for (const std::string& warning : commandLine.warnings()) {
    err_ << "quillery: " << warning << "\n";
  }

  int exitStatus = 0;
  if (!ProcessShellCommand(commandLine, exitStatus)) return exitStatus;

  if (settings.OPTINCLUDETOC == 0 || settings.MAINFILE.empty()) {
    err_ << "quillery: nothing converted: a run needs /MAINFILE=<frames page> "
            "and /OPTINCLUDETOC=1 (see --help)\n";
    return 0;
  }
  const std::string mainFilePath = InternalPath(settings.MAINFILE);
  switch (RunConversion(mainFilePath, settings)) {
    case ConversionOutcome::kNoTocFrame:
      err_ << "quillery: nothing converted: '" << NativePath(mainFilePath)
           << "' names no TOC frame\n";
      break;
    case ConversionOutcome::kCompletedInterrupted:
      err_ << "quillery: completed an interrupted conversion of '"
           << NativePath(mainFilePath) << "'; nothing else converted\n";
      break;
    case ConversionOutcome::kConverted:
    case ConversionOutcome::kNoMainFile:
      break;
  }
  return 0;
}

}  // namespace quillery
