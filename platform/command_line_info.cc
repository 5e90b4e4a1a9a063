// The framework's standard switches; see command_line_info.h.
#include "platform/command_line_info.h"

#include "text/bytes.h"

namespace quillery {

void CCommandLineInfo::ParseParam(const std::string& param, bool bFlag,
                                  bool /*bLast*/) {
  if (bFlag) {
    const std::string lower = AsciiLower(param);
    if (lower == "p") {
      nShellCommand = ShellCommand::FilePrint;
    } else if (lower == "pt") {
      nShellCommand = ShellCommand::FilePrintTo;
      printToWordsLeft_ = 3;
    } else if (lower == "dde") {
      nShellCommand = ShellCommand::FileDDE;
    } else if (lower == "embedding") {
      bRunEmbedded = true;
    } else if (lower == "automation") {
      bRunAutomated = true;
    } else if (lower == "register" || lower == "regserver") {
      nShellCommand = ShellCommand::AppRegister;
    } else if (lower == "unregister" || lower == "unregserver") {
      nShellCommand = ShellCommand::AppUnregister;
    }
    return;
  }
  if (strFileName.empty()) {
    strFileName = param;
    if (nShellCommand == ShellCommand::FileNew) {
      nShellCommand = ShellCommand::FileOpen;
    }
    return;
  }
  if (nShellCommand == ShellCommand::FilePrintTo && printToWordsLeft_ > 0) {
    std::string* target = printToWordsLeft_ == 3   ? &strPrinterName
                          : printToWordsLeft_ == 2 ? &strDriverName
                                                   : &strPortName;
    *target = param;
    --printToWordsLeft_;
  }
}

void ParseCommandLine(const std::vector<std::string>& words,
                      CCommandLineInfo& info) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    bool bLast = i + 1 == words.size();
    bool bFlag = !word.empty() && (word[0] == '/' || word[0] == '-');
    info.ParseParam(bFlag ? word.substr(1) : word, bFlag, bLast);
  }
}

}  // namespace quillery
