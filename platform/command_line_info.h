// The application framework's command-line handling: words in, one shell
// command out. `ParseParam` is called once per word, in order; a derived
// class adds its own switches and then calls this one.
#ifndef QUILLERY_PLATFORM_COMMAND_LINE_INFO_H_
#define QUILLERY_PLATFORM_COMMAND_LINE_INFO_H_

#include <string>
#include <vector>

namespace quillery {

class CCommandLineInfo {
 public:
  enum class ShellCommand {
    FileNew,
    FileOpen,
    FilePrint,
    FilePrintTo,
    FileDDE,
    AppRegister,
    AppUnregister,
  };

  virtual ~CCommandLineInfo() = default;

  // `param` comes without its leading "/" or "-"; `bFlag` says it had one.
  // Known switches choose the shell command (any letter case): p, pt (then a
  // printer, driver and port word), dde, Embedding, Automation,
  // Register/Regserver, Unregister/Unregserver. Other switches are ignored;
  // the first plain word is the document to open (or to print).
  virtual void ParseParam(const std::string& param, bool bFlag, bool bLast);

  ShellCommand nShellCommand = ShellCommand::FileNew;
  std::string strFileName;
  std::string strPrinterName;
  std::string strDriverName;
  std::string strPortName;
  bool bRunEmbedded = false;
  bool bRunAutomated = false;

 private:
  // Words still owed to "/pt": printer, driver, port.
  int printToWordsLeft_ = 0;
};

// Hands every word to `info.ParseParam`: a word that begins with "/" or "-" is
// a switch and goes without that character. `bLast` is true for the last word.
void ParseCommandLine(const std::vector<std::string>& words,
                      CCommandLineInfo& info);

}  // namespace quillery

#endif  // QUILLERY_PLATFORM_COMMAND_LINE_INFO_H_
