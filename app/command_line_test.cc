#include "app/command_line.h"

#include <gtest/gtest.h>

#include "dress/header_footer.h"

namespace quillery {
namespace {

ConversionSettings Parse(const std::vector<std::string>& words,
                         std::vector<std::string>* warnings = nullptr) {
  ConversionSettings settings("\\opt\\q");
  ConversionCommandLineInfo info(settings);
  info.Parse(words);
  if (warnings != nullptr) *warnings = info.warnings();
  return settings;
}

TEST(CommandLineKeys, AreTriedInTheirFixedOrder) {
  const std::vector<std::string> expected = {"LEVELSTOBREAK=",
                                             "MAINFILE=",
                                             "TOCTITLE=",
                                             "TOCFORMAT=",
                                             "TOCBULLETS=",
                                             "OPTINCLUDETOC=",
                                             "OPTTOCWEIGHT=",
                                             "OPTTOCITALIC=",
                                             "OPTTOCFACE=",
                                             "FRAMETOCWIDTH=",
                                             "USINGSUPPORTDIR=",
                                             "HTMLSUPPORTDIR=",
                                             "HTMLTEMPLATEFILE=",
                                             "TEMPLATETOCFORMAT=",
                                             "USEHEADER=",
                                             "USEFOOTER=",
                                             "HEADERFILE=",
                                             "FOOTERFILE=",
                                             "USINGTEMPLATE=",
                                             "USEMAXWIDTH=",
                                             "MAXWIDTH=",
                                             "RP=",
                                             "OUTDIR=",           "BUILDTOC="};
  std::vector<std::string> keys;
  for (const KeyDescription& key : CommandLineKeys()) {
    keys.emplace_back(key.key);
  }
  EXPECT_EQ(keys, expected);
}

TEST(ConversionSettings, DefaultsFollowTheProgramFolder) {
  ConversionSettings settings = Parse({});
  EXPECT_EQ(settings.OPTINCLUDETOC, 0);
  EXPECT_EQ(settings.TOCTITLE, "Table of Contents");
  EXPECT_EQ(settings.TOCFORMAT, 1);
  EXPECT_EQ(settings.tocFont.lfHeight, 12);
  EXPECT_STREQ(settings.tocFont.lfFaceName, "Verdana");
  EXPECT_EQ(settings.LEVELSTOBREAK, 0);
  EXPECT_EQ(settings.MAINFILE, "");
  EXPECT_EQ(settings.HEADERFILE, "\\opt\\q\\header.htm");
  EXPECT_EQ(settings.FOOTERFILE, "\\opt\\q\\footer.htm");
  EXPECT_EQ(settings.HTMLTEMPLATEFILE, "\\opt\\q\\base.htm");
  EXPECT_EQ(settings.HTMLSUPPORTDIR, "\\opt\\q\\base_files");
  EXPECT_TRUE(settings.headerPlacements.empty());
  EXPECT_TRUE(settings.footerPlacements.empty());
  EXPECT_EQ(settings.MAXWIDTH, 420);
  EXPECT_EQ(settings.RP, 1);
  EXPECT_EQ(settings.FRAMETOCWIDTH, 245);
}

TEST(ConversionCommandLineInfo, SetsEveryKey) {
  ConversionSettings s = Parse({"/LEVELSTOBREAK=2",
                                "/MAINFILE=C:\\site\\doc.htm",
                                "/TOCTITLE=Inhalt",
                                "/TOCFORMAT=3",
                                "/TOCBULLETS=1",
                                "/OPTINCLUDETOC=1",
                                "/OPTTOCWEIGHT=700",
                                "/OPTTOCITALIC=257",
                                "/OPTTOCFACE=Times New Roman",
                                "/FRAMETOCWIDTH=300",
                                "/USINGSUPPORTDIR=1",
                                "/HTMLSUPPORTDIR=sup",
                                "/HTMLTEMPLATEFILE=C:\\site\\tpl.htm",
                                "/TEMPLATETOCFORMAT=1",
                                "/USEHEADER=1",
                                "/USEFOOTER=yes",
                                "/HEADERFILE=h.htm",
                                "/FOOTERFILE=f.htm",
                                "/USINGTEMPLATE=1",
                                "/USEMAXWIDTH=1",
                                "/MAXWIDTH=600px",
                                "/RP=0"});
  EXPECT_EQ(s.LEVELSTOBREAK, 2);
  EXPECT_EQ(s.MAINFILE, "C:\\site\\doc.htm");
  EXPECT_EQ(s.TOCTITLE, "Inhalt");
  EXPECT_EQ(s.TOCFORMAT, 3);
  EXPECT_EQ(s.TOCBULLETS, 1);
  EXPECT_EQ(s.OPTINCLUDETOC, 1);
  EXPECT_EQ(s.tocFont.lfWeight, 700);
  EXPECT_EQ(s.tocFont.lfItalic, 1);
  EXPECT_STREQ(s.tocFont.lfFaceName, "Times New Roman");
  EXPECT_EQ(s.FRAMETOCWIDTH, 300);
  EXPECT_EQ(s.USINGSUPPORTDIR, 1);
  EXPECT_EQ(s.HTMLSUPPORTDIR, "sup");
  EXPECT_EQ(s.HTMLTEMPLATEFILE, "C:\\site\\tpl.htm");
  EXPECT_EQ(s.TEMPLATETOCFORMAT, 1);
  EXPECT_EQ(s.headerPlacements, std::vector<std::int32_t>{kHeaderTextCode});
  EXPECT_EQ(s.footerPlacements, std::vector<std::int32_t>{kFooterTextCode});
  EXPECT_EQ(s.HEADERFILE, "h.htm");
  EXPECT_EQ(s.FOOTERFILE, "f.htm");
  EXPECT_EQ(s.USINGTEMPLATE, 1);
  EXPECT_EQ(s.USEMAXWIDTH, 1);
  EXPECT_EQ(s.MAXWIDTH, 600);
  EXPECT_EQ(s.RP, 0);
}

TEST(ConversionCommandLineInfo, ReadsWordsAsTheKeysAsk) {
  struct Row {
    const char* name;
    std::vector<std::string> words;
    std::int32_t levels;
    std::string mainFile;
  };
  const Row rows[] = {
      {"key in any case",
       {"/levelstobreak=3", "-MainFile=C:\\Doc.HTM"},
       3,
       "C:\\Doc.HTM"},
      {"no switch character", {"LEVELSTOBREAK=3", "MAINFILE=a.htm"}, 0, ""},
      {"clamped above 9", {"/LEVELSTOBREAK=12"}, 9, ""},
      {"no lower bound", {"/LEVELSTOBREAK=-2"}, -2, ""},
      {"empty value", {"/MAINFILE="}, 0, ""},
      {"blank value", {"/MAINFILE= \t "}, 0, ""},
      {"value trimmed", {"/MAINFILE=  C:\\a.htm \r\n"}, 0, "C:\\a.htm"},
      {"later word wins", {"/MAINFILE=a.htm", "/MAINFILE=b.htm"}, 0, "b.htm"},
      {"key not at the start", {"/XMAINFILE=a.htm"}, 0, ""},
      {"leading blanks and sign", {"/LEVELSTOBREAK= +4x"}, 4, ""},
      {"forward slashes kept",
       {"/MAINFILE=/home/me/My Site/doc.htm"},
       0,
       "/home/me/My Site/doc.htm"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConversionSettings settings = Parse(row.words);
    EXPECT_EQ(settings.LEVELSTOBREAK, row.levels);
    EXPECT_EQ(settings.MAINFILE, row.mainFile);
  }
}

TEST(ConversionCommandLineInfo, PlacementWordsAppend) {
  ConversionSettings settings =
      Parse({"/USEHEADER=0", "/USEHEADER=1", "/USEFOOTER=", "/USEFOOTER=x"});
  EXPECT_EQ(settings.headerPlacements,
            (std::vector<std::int32_t>{kHeaderTextCode, kHeaderTextCode}));
  EXPECT_EQ(settings.footerPlacements,
            std::vector<std::int32_t>{kFooterTextCode});
}

TEST(ConversionCommandLineInfo, LongFaceNameIsCutTo31Bytes) {
  ConversionSettings settings =
      Parse({"/OPTTOCFACE=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"});
  EXPECT_STREQ(settings.tocFont.lfFaceName, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
}

TEST(ConversionCommandLineInfo, UnreadableNumberKeepsTheSettingAndWarns) {
  std::vector<std::string> warnings;
  ConversionSettings settings =
      Parse({"/MAXWIDTH=600", "/MAXWIDTH=wide", "/RP=x1"}, &warnings);
  EXPECT_EQ(settings.MAXWIDTH, 600);
  EXPECT_EQ(settings.RP, 1);
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "ignoring /MAXWIDTH=wide: the value is not a number",
                          "ignoring /RP=x1: the value is not a number"}));
}

TEST(ConversionCommandLineInfo, LevelsAboveNineAreTakenAsNineWithAWarning) {
  struct Row {
    const char* word;
    std::int32_t levels;
    std::string warning;  // "" for none
  };
  const Row rows[] = {
      {"/LEVELSTOBREAK=9", 9, ""},
      {"/LEVELSTOBREAK=10", 9,
       "taking /LEVELSTOBREAK=10 as 9, the deepest level a document is split "
       "at"},
      {"-levelstobreak=12px", 9,
       "taking -levelstobreak=12px as 9, the deepest level a document is "
       "split at"},
      {"/LEVELSTOBREAK=-3", -3, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.word);
    std::vector<std::string> warnings;
    const ConversionSettings settings = Parse({row.word}, &warnings);
    EXPECT_EQ(settings.LEVELSTOBREAK, row.levels);
    EXPECT_EQ(warnings, row.warning.empty()
                            ? std::vector<std::string>{}
                            : std::vector<std::string>{row.warning});
  }
}

TEST(ConversionCommandLineInfo, WordsHandedOverByTheFrameworkGetASlash) {
  ConversionSettings settings;
  ConversionCommandLineInfo info(settings);
  ParseCommandLine({"--bogus", "-RP=x"}, info);
  EXPECT_EQ(info.warnings(), (std::vector<std::string>{
                                 "unknown switch /-bogus",
                                 "ignoring /RP=x: the value is not a number"}));
}

TEST(ConversionCommandLineInfo, FrameworkSwitchesKeepTheirMeaning) {
  using Command = CCommandLineInfo::ShellCommand;
  struct Row {
    const char* name;
    std::vector<std::string> words;
    Command command;
    std::string fileName;
  };
  const Row rows[] = {
      {"nothing", {"/OPTINCLUDETOC=1"}, Command::FileNew, ""},
      {"plain word opens",
       {"doc.qly", "/OPTINCLUDETOC=1"},
       Command::FileOpen,
       "doc.qly"},
      {"print", {"/P", "doc.qly"}, Command::FilePrint, "doc.qly"},
      {"print to",
       {"/pt", "doc.qly", "printer", "driver", "port"},
       Command::FilePrintTo,
       "doc.qly"},
      {"dde", {"-dde"}, Command::FileDDE, ""},
      {"register", {"/RegServer"}, Command::AppRegister, ""},
      {"unregister", {"/unregister"}, Command::AppUnregister, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConversionSettings settings;
    ConversionCommandLineInfo info(settings);
    info.Parse(row.words);
    EXPECT_EQ(info.nShellCommand, row.command);
    EXPECT_EQ(info.strFileName, row.fileName);
  }
}

TEST(ConversionCommandLineInfo, WarnsOnceAboutEveryWordThatCannotBeMeant) {
  struct Row {
    const char* word;
    std::string warning;  // "" for none
  };
  const Row rows[] = {
      {"/LEVELSTOBRAKE=2",
       "unknown key LEVELSTOBRAKE (did you mean LEVELSTOBREAK?)"},
      {"/maxwidht=600", "unknown key MAXWIDHT (did you mean MAXWIDTH?)"},
      {"/COLOR=red", "unknown key COLOR"},
      // Two letters: one edit is half the name, too far for a suggestion.
      {"/XP=1", "unknown key XP"},
      {"/USEHEADER", "ignoring /USEHEADER: the key has no \"=value\""},
      {"/USEHEADR", "unknown switch /USEHEADR (did you mean USEHEADER?)"},
      {"-frobnicate", "unknown switch -frobnicate"},
      {"--bogus", "unknown switch --bogus"},
      {"/-bogus", "unknown switch /-bogus"},
      {"-useheader", "ignoring -useheader: the key has no \"=value\""},
      {"/MAINFILE=", ""},
      {"/MAINFILE=  ", ""},
      {"/mainfile=a=b.htm", ""},
      {"/p", ""},
      {"-dde", ""},
      {"/Embedding", ""},
      {"-q", ""},
      {"--quiet", ""},
      {"-v", ""},
      {"--verbose", ""},
      {"doc.qly", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.word);
    std::vector<std::string> warnings;
    const ConversionSettings settings = Parse({row.word}, &warnings);
    EXPECT_EQ(warnings, row.warning.empty()
                            ? std::vector<std::string>{}
                            : std::vector<std::string>{row.warning});
    EXPECT_EQ(settings.LEVELSTOBREAK, 0);
    EXPECT_EQ(settings.MAXWIDTH, 420);
  }
}

TEST(ConversionCommandLineInfo, QuietAndVerboseAreStartupSwitches) {
  ConversionSettings settings;
  ConversionCommandLineInfo info(settings);
  ParseCommandLine({"/OPTINCLUDETOC=1"}, info);
  EXPECT_FALSE(info.quiet || info.verbose);
  ParseCommandLine({"--quiet", "-V"}, info);
  EXPECT_TRUE(info.quiet && info.verbose);
  EXPECT_EQ(info.nShellCommand, CCommandLineInfo::ShellCommand::FileNew);
}

TEST(UsageText, NoLinePassesColumn79) {
  for (const std::string& text : {UsageText(), ShortUsageText()}) {
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
      const std::size_t lineEnd = text.find('\n', lineStart);
      ASSERT_NE(lineEnd, std::string::npos);  // every line ends
      EXPECT_LE(lineEnd - lineStart, 79u)
          << text.substr(lineStart, lineEnd - lineStart);
      lineStart = lineEnd + 1;
    }
  }
}

TEST(UsageText, NamesEveryKeyTheStoredOnesLast) {
  const std::string usage = UsageText();
  const std::size_t storedHeading = usage.find("Stored, but no conversion");
  ASSERT_NE(storedHeading, std::string::npos);
  for (const KeyDescription& key : CommandLineKeys()) {
    SCOPED_TRACE(key.key);
    const std::size_t at = usage.find("/" + std::string(key.key));
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(at > storedHeading, key.storedOnly);
  }
}

}  // namespace
}  // namespace quillery
