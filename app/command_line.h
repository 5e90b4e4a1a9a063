// The /KEY=value words of the command line: the 22 keys, their order, and the
// parser that writes them into the settings record.
//
//   /MAINFILE=site/doc.htm /OPTINCLUDETOC=1 /LEVELSTOBREAK=2 /USEHEADER=1
#ifndef QUILLERY_APP_COMMAND_LINE_H_
#define QUILLERY_APP_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "platform/command_line_info.h"

namespace quillery {

// One command-line key as the usage text shows it.
struct KeyDescription {
  std::string_view key;  // with its "=", as matched: "LEVELSTOBREAK="
  std::string_view meaning;
  std::string_view defaultValue;
  bool storedOnly = false;  // set, but no conversion reads it
};

// The keys in the order in which a word is tried against them.
const std::vector<KeyDescription>& CommandLineKeys();

// Writes the recognised switches into `settings` and then hands every word
// to the framework's own handling.
//
// A switch matches a key when its upper-case form begins with the key; the
// value is the rest of the word as typed, with leading and trailing C white
// space removed. An empty value changes nothing and the next key is tried.
// Numbers are read as sscanf("%d") reads them ("600px" gives 600); a value
// that does not begin with a number leaves the setting as it was and adds a
// line to `warnings`. LEVELSTOBREAK above 9 becomes 9, with a warning;
// USEHEADER and USEFOOTER append a placement code whatever their value.
//
// What cannot be meant is warned about, once per word, and changes nothing:
// a key that is in no table ("unknown key LEVELSTOBRAKE (did you mean
// LEVELSTOBREAK?)", the suggestion when a key is at most 2 edits away and
// those edits are at most a third of the longer name), and a switch without
// "=" that is none of the start-up switches. A known key with an empty value
// is not warned about. -q (--quiet) and -v (--verbose) are start-up
// switches of their own. Warnings name each word as it was typed when the
// words come through Parse ("unknown switch --bogus"), else with a "/".
class ConversionCommandLineInfo : public CCommandLineInfo {
 public:
  explicit ConversionCommandLineInfo(ConversionSettings& settings);

  // ParseCommandLine over `words`.
  void Parse(const std::vector<std::string>& words);

  void ParseParam(const std::string& param, bool bFlag, bool bLast) override;

  // One line per word that changed nothing, such as
  // "ignoring /MAXWIDTH=wide: the value is not a number".
  const std::vector<std::string>& warnings() const { return warnings_; }

  bool quiet = false;    // no progress line
  bool verbose = false;  // a summary line at the end

 private:
  // Takes -q and -v, and warns about a switch that cannot be meant.
  void WarnOrSwitch(const std::string& param, const std::string& typed);

  ConversionSettings& settings_;
  std::vector<std::string> warnings_;
  // During Parse: the words, and how many of them ParseParam has had.
  const std::vector<std::string>* typedWords_ = nullptr;
  std::size_t wordsSeen_ = 0;
};

// The key closest to `word` (upper case, without "="), when it is at most 2
// edits away and the edits are at most a third of the longer name's length;
// "" otherwise.
[[nodiscard]] std::string SuggestedKey(const std::string& word);

// The usage text of --help: every key, its meaning and its default, the
// keys that change nothing grouped at the end, then the template markers,
// the switches and the exit statuses; no line is wider than 79 columns.
[[nodiscard]] std::string UsageText();

// The short usage a run without any word prints.
[[nodiscard]] std::string ShortUsageText();

}  // namespace quillery

#endif  // QUILLERY_APP_COMMAND_LINE_H_
