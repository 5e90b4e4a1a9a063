// The key table and the switch parser; see command_line.h.
#include "app/command_line.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "dress/header_footer.h"
#include "text/bytes.h"

namespace quillery {
namespace {

std::optional<std::int32_t> ReadNumber(const std::string& value) {
  int number = 0;
  if (std::sscanf(value.c_str(), "%d", &number) != 1) return std::nullopt;
  return number;
}

// What a key does with its value: numeric keys get the number read from it.
using NumberAction = void (*)(ConversionSettings&, std::int32_t number);
using TextAction = void (*)(ConversionSettings&, const std::string& value);

template <std::int32_t ConversionSettings::*field>
void SetNumber(ConversionSettings& settings, std::int32_t number) {
  settings.*field = number;
}

template <std::string ConversionSettings::*field>
void SetText(ConversionSettings& settings, const std::string& value) {
  settings.*field = value;
}

// The deepest heading level a document is split at.
constexpr std::int32_t kMaxLevelsToBreak = 9;

void SetLevelsToBreak(ConversionSettings& settings, std::int32_t number) {
  settings.LEVELSTOBREAK = std::min(number, kMaxLevelsToBreak);
}

void SetFontWeight(ConversionSettings& settings, std::int32_t number) {
  settings.tocFont.lfWeight = number;
}

void SetFontItalic(ConversionSettings& settings, std::int32_t number) {
  settings.tocFont.lfItalic =
      static_cast<std::uint8_t>(static_cast<std::uint32_t>(number) & 0xFFu);
}

void SetFontFace(ConversionSettings& settings, const std::string& value) {
  constexpr std::size_t kMaxFaceLength =
      sizeof(settings.tocFont.lfFaceName) - 1;
  std::size_t length = std::min(value.size(), kMaxFaceLength);
  std::memset(settings.tocFont.lfFaceName, 0,
              sizeof(settings.tocFont.lfFaceName));
  std::memcpy(settings.tocFont.lfFaceName, value.data(), length);
}

void AddHeaderPlacement(ConversionSettings& settings, const std::string&) {
  settings.headerPlacements.push_back(kHeaderTextCode);
}

void AddFooterPlacement(ConversionSettings& settings, const std::string&) {
  settings.footerPlacements.push_back(kFooterTextCode);
}

// A key with exactly one of the two actions.
struct KeyRule {
  KeyDescription description;
  NumberAction number;
  TextAction text;
};

using S = ConversionSettings;

const std::vector<KeyRule>& KeyRules() {
  static const std::vector<KeyRule> rules = {
      {{"LEVELSTOBREAK=",
        "split at headings of level 1 up to this (0: no split, at most 9)",
        "0"},
       SetLevelsToBreak,
       nullptr},
      {{"MAINFILE=", "the frames page to convert", "(none)"},
       nullptr,
       SetText<&S::MAINFILE>},
      {{"TOCTITLE=", "title of the contents", "Table of Contents",
        /*storedOnly=*/true},
       nullptr,
       SetText<&S::TOCTITLE>},
      {{"TOCFORMAT=", "contents format 0-6", "1", /*storedOnly=*/true},
       SetNumber<&S::TOCFORMAT>,
       nullptr},
      {{"TOCBULLETS=", "1: bullet images before the contents links", "0"},
       SetNumber<&S::TOCBULLETS>,
       nullptr},
      {{"OPTINCLUDETOC=", "1: run the conversion (required)", "0"},
       SetNumber<&S::OPTINCLUDETOC>,
       nullptr},
      {{"OPTTOCWEIGHT=", "contents font weight", "0", /*storedOnly=*/true},
       SetFontWeight,
       nullptr},
      {{"OPTTOCITALIC=", "contents font italic", "0", /*storedOnly=*/true},
       SetFontItalic,
       nullptr},
      {{"OPTTOCFACE=", "contents font face, at most 31 bytes", "Verdana",
        /*storedOnly=*/true},
       nullptr,
       SetFontFace},
      {{"FRAMETOCWIDTH=", "contents frame width in pixels", "245",
        /*storedOnly=*/true},
       SetNumber<&S::FRAMETOCWIDTH>,
       nullptr},
      {{"USINGSUPPORTDIR=", "use the template's support folder", "0",
        /*storedOnly=*/true},
       SetNumber<&S::USINGSUPPORTDIR>,
       nullptr},
      {{"HTMLSUPPORTDIR=", "the template's support folder",
        "<program folder>/base_files", /*storedOnly=*/true},
       nullptr,
       SetText<&S::HTMLSUPPORTDIR>},
      {{"HTMLTEMPLATEFILE=", "page template with [QUILLERY] and [WORDTOC]",
        "<program folder>/base.htm"},
       nullptr,
       SetText<&S::HTMLTEMPLATEFILE>},
      {{"TEMPLATETOCFORMAT=",
        "with a template: 0 the main file becomes a contents page, 1 a copy "
        "of page 0; a template with [WORDTOC] or [CONTENTS] (as the shipped "
        "base.htm does) makes it a copy of page 0 whatever the value",
        "0"},
       SetNumber<&S::TEMPLATETOCFORMAT>,
       nullptr},
      {{"USEHEADER=", "any value: put the header above every page (repeatable)",
        "off"},
       nullptr,
       AddHeaderPlacement},
      {{"USEFOOTER=", "any value: put the footer below every page (repeatable)",
        "off"},
       nullptr,
       AddFooterPlacement},
      {{"HEADERFILE=", "header file (its body is used)",
        "<program folder>/header.htm"},
       nullptr,
       SetText<&S::HEADERFILE>},
      {{"FOOTERFILE=", "footer file (its body is used)",
        "<program folder>/footer.htm"},
       nullptr,
       SetText<&S::FOOTERFILE>},
      {{"USINGTEMPLATE=", "1: pour every page into the template", "0"},
       SetNumber<&S::USINGTEMPLATE>,
       nullptr},
      {{"USEMAXWIDTH=", "1: narrow wide pictures, drop their vector copies",
        "0"},
       SetNumber<&S::USEMAXWIDTH>,
       nullptr},
      {{"MAXWIDTH=", "picture width limit in pixels", "420"},
       SetNumber<&S::MAXWIDTH>,
       nullptr},
      {{"RP=", "1: scale a narrowed picture's height too", "1"},
       SetNumber<&S::RP>,
       nullptr},
      {{"OUTDIR=",
        "write the converted site into this folder, the source untouched "
        "(recommended)",
        "(in place)"},
       nullptr,
       SetText<&S::OUTDIR>},
      {{"BUILDTOC=",
        "1: a plain document gets a contents frame made from its headings",
        "0"},
       SetNumber<&S::BUILDTOC>,
       nullptr},
  };
  return rules;
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

// The switches of start-up that take no value, lower case, as they come
// after their first "/" or "-" ("--quiet" comes as "-quiet").
bool IsStartupSwitch(const std::string& lower) {
  static constexpr std::string_view kSwitches[] = {
      "p",        "pt",        "dde",        "embedding",   "automation",
      "register", "regserver", "unregister", "unregserver", "q",
      "-quiet",   "v",         "-verbose",   "h",           "-help",
      "?",        "-version"};
  for (std::string_view known : kSwitches) {
    if (lower == known) return true;
  }
  return false;
}

// The edit distance of two texts: insertions, deletions and replacements.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                         diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsCSpace(text[begin])) ++begin;
  while (end > begin && IsCSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// The widest line of the usage text, and the column where an entry's
// meaning starts.
constexpr std::size_t kUsageWidth = 79;
constexpr std::size_t kMeaningColumn = 24;

// Appends `text`, and then `tail` as one word that is never broken, in
// lines of at most kUsageWidth columns broken at blanks: the first one after
// `lead`, the others indented by `indent`. A word longer than a line stands
// on a line of its own.
void AppendWrapped(std::string& usage, std::string lead, std::string_view text,
                   std::size_t indent, std::string_view tail = {}) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (!tail.empty()) words.push_back(tail);

  std::string line = std::move(lead);
  bool lineHasWord = false;
  for (std::string_view word : words) {
    if (lineHasWord && line.size() + 1 + word.size() > kUsageWidth) {
      usage += line + "\n";
      line.assign(indent, ' ');
      lineHasWord = false;
    }
    if (lineHasWord) line += ' ';
    line += word;
    lineHasWord = true;
  }
  usage += line + "\n";
}

// One entry of a list: two blanks, `name`, and its meaning from the meaning
// column on (on a line of its own when the name reaches that column), then
// `tail` unbroken.
void AppendEntry(std::string& usage, const std::string& name,
                 std::string_view meaning, std::string_view tail = {}) {
  std::string lead = "  " + name;
  if (lead.size() + 1 > kMeaningColumn) {
    usage += lead + "\n";
    lead.clear();
  }
  lead.resize(kMeaningColumn, ' ');
  AppendWrapped(usage, std::move(lead), meaning, kMeaningColumn, tail);
}

}  // namespace

const std::vector<KeyDescription>& CommandLineKeys() {
  static const std::vector<KeyDescription> keys = [] {
    std::vector<KeyDescription> described;
    for (const KeyRule& rule : KeyRules())
      described.push_back(rule.description);
    return described;
  }();
  return keys;
}

ConversionCommandLineInfo::ConversionCommandLineInfo(
    ConversionSettings& settings)
    : settings_(settings) {}

void ConversionCommandLineInfo::Parse(const std::vector<std::string>& words) {
  typedWords_ = &words;
  wordsSeen_ = 0;
  ParseCommandLine(words, *this);
  typedWords_ = nullptr;
}

std::string SuggestedKey(const std::string& word) {
  std::string best;
  std::size_t bestDistance = 3;
  for (const KeyRule& rule : KeyRules()) {
    std::string_view key = rule.description.key;
    key.remove_suffix(1);  // the "="
    const std::size_t distance = EditDistance(word, key);
    if (distance >= bestDistance) continue;
    if (3 * distance > std::max(word.size(), key.size())) continue;
    best = std::string(key);
    bestDistance = distance;
  }
  return best;
}

void ConversionCommandLineInfo::ParseParam(const std::string& param, bool bFlag,
                                           bool bLast) {
  // ParseCommandLine hands over the words one by one, in order.
  const std::string typed =
      typedWords_ != nullptr && wordsSeen_ < typedWords_->size()
          ? (*typedWords_)[wordsSeen_]
          : "/" + param;
  ++wordsSeen_;
  if (bFlag) WarnOrSwitch(param, typed);
  if (bFlag) {
    const std::string upper = AsciiUpper(param);
    for (const KeyRule& rule : KeyRules()) {
      std::string_view key = rule.description.key;
      if (upper.compare(0, key.size(), key) != 0) continue;
      std::string value = Trim(param.substr(key.size()));
      if (value.empty()) continue;
      if (rule.text != nullptr) {
        rule.text(settings_, value);
      } else if (std::optional<std::int32_t> number = ReadNumber(value)) {
        rule.number(settings_, *number);
        if (rule.number == SetLevelsToBreak && *number > kMaxLevelsToBreak) {
          warnings_.push_back("taking " + typed + " as " +
                              std::to_string(kMaxLevelsToBreak) +
                              ", the deepest level a document is split at");
        }
      } else {
        warnings_.push_back("ignoring " + typed +
                            ": the value is not a number");
      }
      break;
    }
  }
  CCommandLineInfo::ParseParam(param, bFlag, bLast);
}

void ConversionCommandLineInfo::WarnOrSwitch(const std::string& param,
                                             const std::string& typed) {
  const std::size_t equals = param.find('=');
  const std::string name = AsciiUpper(param.substr(0, equals));
  const std::string lower = AsciiLower(param);
  if (equals == std::string::npos) {
    if (lower == "q" || lower == "-quiet") quiet = true;
    if (lower == "v" || lower == "-verbose") verbose = true;
    if (IsStartupSwitch(lower)) return;
  } else {
    for (const KeyRule& rule : KeyRules()) {
      if (rule.description.key.compare(0, name.size(), name) == 0 &&
          rule.description.key.size() == name.size() + 1) {
        return;  // a known key, with or without a value
      }
    }
  }
  const std::string suggestion = SuggestedKey(name);
  std::string warning;
  if (equals != std::string::npos) {
    warning = "unknown key " + name;
  } else if (suggestion == name) {
    warning = "ignoring " + typed + ": the key has no \"=value\"";
  } else {
    warning = "unknown switch " + typed;
  }
  if (!suggestion.empty() && suggestion != name) {
    warning += " (did you mean " + suggestion + "?)";
  }
  warnings_.push_back(warning);
}

std::string UsageText() {
  std::string usage =
      "usage: quillery /MAINFILE=<frames page> /OPTINCLUDETOC=1 "
      "[/OUTDIR=<folder>]\n"
      "                [/KEY=value ...] [-q | -v]\n"
      "       quillery -h | --help | --version\n"
      "\n";
  AppendWrapped(usage, "",
                "Finishes a document saved by the word processor as a "
                "frames page: cuts it into numbered pages at its headings, "
                "moves its styles into one stylesheet, re-points the "
                "contents and in-page links, and can add a template, a "
                "header, a footer and bullet images. The output goes into "
                "the /OUTDIR= folder, or beside the main file. Keys may "
                "start with / or -, in any letter case.",
                0);
  usage += "\n";
  auto keyEntry = [&usage](const KeyDescription& key) {
    AppendEntry(usage, "/" + std::string(key.key) + "...", key.meaning,
                "[" + std::string(key.defaultValue) + "]");
  };
  for (const KeyDescription& key : CommandLineKeys()) {
    if (!key.storedOnly) keyEntry(key);
  }
  usage += "\nStored, but no conversion reads them:\n";
  for (const KeyDescription& key : CommandLineKeys()) {
    if (key.storedOnly) keyEntry(key);
  }
  usage +=
      "\n"
      "Template markers (the header and footer may hold all but the first\n"
      "two):\n";
  AppendEntry(usage, "[QUILLERY]", "the page");
  AppendEntry(usage, "[WORDTOC]", "the contents");
  AppendEntry(usage, "[CONTENTS]",
              "the contents, the links into this page marked "
              "aria-current=\"page\"");
  AppendEntry(usage, "[PAGETITLE]",
              "the page's first heading and the document's title");
  AppendEntry(usage, "[DOCTITLE]", "the document's title");
  AppendEntry(usage, "[PREVPAGE], [NEXTPAGE], [STARTPAGE]",
              "links to the previous, next and start page");
  AppendEntry(usage, "[PAGENAV]", "the three links in one <nav>");
  usage +=
      "\n"
      "Examples:\n"
      "  quillery /MAINFILE=site/Report.htm /OPTINCLUDETOC=1 "
      "/LEVELSTOBREAK=2 \\\n"
      "      /OUTDIR=out\n"
      "      converts a frames page into the folder out\n"
      "  quillery /MAINFILE=Report.htm /BUILDTOC=1 /OPTINCLUDETOC=1 \\\n"
      "      /LEVELSTOBREAK=2 /OUTDIR=site\n"
      "      turns a plain web page of the word processor into a site\n"
      "\n"
      "Switches:\n";
  AppendEntry(usage, "-q, --quiet",
              "no progress line and no closing line: warnings and errors "
              "only");
  AppendEntry(usage, "-v, --verbose", "a summary line before the closing line");
  AppendEntry(usage, "-h, --help, /?", "this text");
  AppendEntry(usage, "--version", "the program's version");
  usage += "\n";
  AppendWrapped(usage, "",
                "A conversion ends with one line that names the file to "
                "open. Exit status: 0 when start-up succeeds (a conversion "
                "ran, an interrupted one was completed, or no conversion "
                "was asked for: /OPTINCLUDETOC=1 or /MAINFILE= missing); 1 "
                "when a file cannot be read or written, a run is refused, "
                "or the main file names no TOC frame.",
                0);
  return usage;
}

std::string ShortUsageText() {
  return "usage: quillery /MAINFILE=<frames page> /OPTINCLUDETOC=1 "
         "[/OUTDIR=<folder>]\n"
         "                [/KEY=value ...] [-q | -v]\n"
         "Try 'quillery --help' for the keys.\n";
}

}  // namespace quillery
