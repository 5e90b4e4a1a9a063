#include "text/site_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {
namespace {

using Parts = std::vector<std::string>;

TEST(SitePath, ComponentsSplitAtBothSeparatorsAndDropEmptyAndDot) {
  struct Row {
    const char* name;
    const char* path;
    Parts expected;
  };
  const Row rows[] = {
      {"mixed separators",
       "\\site\\./doc_files//toc.htm",
       {"site", "doc_files", "toc.htm"}},
      {"dot-dot stays", "../a/..", {"..", "a", ".."}},
      {"empty", "", {}},
      {"root", "\\", {}},
      {"slash root", "/", {}},
      {"trailing separator", "\\site\\sub\\", {"site", "sub"}},
      {"dots in names", "x..y\\.hidden\\...", {"x..y", ".hidden", "..."}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SitePath(row.path).Components(), row.expected);
  }
}

TEST(SitePath, FoldedComponentsKeepWhatClimbsAboveTheStart) {
  struct Row {
    const char* path;
    Parts expected;
  };
  const Row rows[] = {
      {"a\\.\\b\\..\\c", {"a", "c"}},
      {"a\\..\\..\\x", {"..", "x"}},
      {"..\\..\\x", {"..", "..", "x"}},
      {"a/../b/../..", {".."}},
      {"sub/..", {}},
      {"\\..\\x", {"..", "x"}},
      {"", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(SitePath(row.path).FoldedComponents(), row.expected);
  }
}

TEST(SitePath, NormalFoldsToAnAbsolutePath) {
  struct Row {
    const char* path;
    const char* expected;
  };
  const Row rows[] = {
      {"\\a\\.\\b\\..\\c\\", "\\a\\c"},
      {"\\..\\x", "\\x"},
      {"\\a\\..\\..\\..\\b", "\\b"},
      {"\\", "\\"},
      {"", "\\"},
      {"\\a\\..", "\\"},
      {"\\tmp/out//site", "\\tmp\\out\\site"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(SitePath(row.path).Normal().text(), row.expected);
  }
}

TEST(SitePath, FolderAndNameSplitAtTheLastSeparator) {
  struct Row {
    const char* path;
    const char* folder;
    const char* name;
  };
  const Row rows[] = {
      {"C:\\site\\Report.htm", "C:\\site", "Report.htm"},
      {"\\tmp\\site\\doc_files/toc.htm", "\\tmp\\site\\doc_files", "toc.htm"},
      {"Report.htm", "", "Report.htm"},
      {"", "", ""},
      {"\\doc.htm", "\\", "doc.htm"},
      {"/doc.htm", "\\", "doc.htm"},
      {"\\", "\\", ""},
      {"\\site\\", "\\site", ""},
      {"sub\\a.htm", "sub", "a.htm"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(SitePath(row.path).Folder().text(), row.folder);
    EXPECT_EQ(SitePath(row.path).Name(), row.name);
  }
}

TEST(SitePath, JoinPutsOneBackslashBetween) {
  struct Row {
    const char* folder;
    const char* name;
    const char* expected;
  };
  const Row rows[] = {
      {"\\site", "a.htm", "\\site\\a.htm"},
      {"\\", "a.htm", "\\a.htm"},
      {"", "a.htm", "a.htm"},
      {"\\site", "sub/Body_p0.htm", "\\site\\sub/Body_p0.htm"},
      {"\\site", "", "\\site\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.folder) + " + " + row.name);
    EXPECT_EQ(SitePath(row.folder).Join(row.name).text(), row.expected);
  }
}

TEST(SitePath, IsInsideComparesWholeComponents) {
  EXPECT_TRUE(SitePath("\\site").IsInside(SitePath("\\site")));
  EXPECT_TRUE(SitePath("\\site\\sub").IsInside(SitePath("\\site")));
  EXPECT_FALSE(SitePath("\\site2").IsInside(SitePath("\\site")));
  EXPECT_FALSE(SitePath("\\").IsInside(SitePath("\\site")));
  EXPECT_TRUE(SitePath("\\anything").IsInside(SitePath("\\")));
  EXPECT_TRUE(SitePath("\\").IsInside(SitePath("\\")));
  EXPECT_FALSE(SitePath("").IsInside(SitePath("\\")));
  EXPECT_FALSE(SitePath("\\si").IsInside(SitePath("\\site")));
}

TEST(SitePath, RelativeFromAFolder) {
  struct Row {
    const char* path;
    const char* folder;
    const char* expected;
  };
  const Row rows[] = {
      {"Report_p1.htm", "sub", "../Report_p1.htm"},
      {"sub/Report_p1.htm", "sub", "Report_p1.htm"},
      {"sub\\deep\\a.htm", "sub/other", "../deep/a.htm"},
      {"a", "a", "../a"},
      {"a.htm", "", "a.htm"},
      {"a.htm", ".", "a.htm"},
      {"x/../a.htm", "sub/./", "../a.htm"},
      {"../up.htm", "sub", "../../up.htm"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.folder) + " -> " + row.path);
    EXPECT_EQ(SitePath(row.path).RelativeFrom(SitePath(row.folder)),
              row.expected);
  }
}

TEST(SitePath, KeyTakesBothSeparatorsAndDropsEmptyAndDotComponents) {
  EXPECT_EQ(SitePath("\\site\\sub/.\\a.htm").Key(), "/site/sub/a.htm");
  EXPECT_EQ(SitePath("\\site\\\\sub\\a.htm").Key(), "/site/sub/a.htm");
  EXPECT_EQ(SitePath("\\site\\..\\a.htm").Key(), "/site/../a.htm");
  EXPECT_NE(SitePath("\\site\\A.htm").Key(), SitePath("\\site\\a.htm").Key());
  EXPECT_EQ(SitePath("").Key(), "");
  EXPECT_EQ(SitePath("\\").Key(), "");
}

TEST(SitePath, TheTwoFormsTurnOnlyTheSeparators) {
  EXPECT_EQ(SitePath("\\tmp\\site\\doc_files/toc a.htm").SlashForm(),
            "/tmp/site/doc_files/toc a.htm");
  EXPECT_EQ(SitePath::FromSlashForm("img/a b.gif").text(), "img\\a b.gif");
  EXPECT_EQ(SitePath::FromSlashForm("").text(), "");
  EXPECT_EQ(SitePath("").SlashForm(), "");
}

// A Windows path keeps its volume as the first name ("\C:\site"), so the
// operations above hold for it unchanged: the volume is never climbed over.
TEST(SitePath, WindowsPathsKeepTheVolumeAsTheirFirstName) {
  const SitePath page("\\C:\\Users\\Zo\xc3\xab\\site/sub\\a.htm");
  EXPECT_EQ(page.Folder().text(), "\\C:\\Users\\Zo\xc3\xab\\site/sub");
  EXPECT_EQ(SitePath("\\C:\\a.htm").Folder().text(), "\\C:");
  EXPECT_EQ(SitePath("\\C:").Join("a.htm").text(), "\\C:\\a.htm");
  EXPECT_EQ(SitePath("\\C:\\site\\.\\sub\\..\\a.htm").Normal().text(),
            "\\C:\\site\\a.htm");
  EXPECT_TRUE(page.IsInside(SitePath("\\C:\\Users")));
  EXPECT_FALSE(page.IsInside(SitePath("\\D:\\Users")));
  EXPECT_FALSE(SitePath("\\C:2\\a").IsInside(SitePath("\\C:")));
  EXPECT_EQ(page.RelativeFrom(SitePath("\\C:\\Users\\Zo\xc3\xab\\site\\img")),
            "../sub/a.htm");
  EXPECT_EQ(SitePath("\\UNC\\server\\docs\\a.htm")
                .RelativeFrom(SitePath("\\UNC\\server\\docs")),
            "a.htm");
}

TEST(WindowsForm, DropsTheLeadingBackslashOfAVolumeAndWritesSharesWithTwo) {
  // Paths without a volume keep the "/" form.
  struct Row {
    const char* internal;
    const char* shown;
  };
  const Row rows[] = {
      {"\\C:\\Users\\me/doc.htm", "C:\\Users\\me\\doc.htm"},
      {"\\c:", "c:\\"},
      {"\\C:\\", "C:\\"},
      {"\\UNC\\server\\docs\\a.htm", "\\\\server\\docs\\a.htm"},
      {"\\tmp\\site/a", "/tmp/site/a"},
      {"\\C:x\\a", "/C:x/a"},
      {"\\UNC", "/UNC"},
      {"site\\a.htm", "site/a.htm"},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.internal);
    EXPECT_EQ(WindowsForm(row.internal), row.shown);
  }
}

TEST(PercentDecoded, DecodesGoodEscapesAndKeepsBadOnes) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"blank", "a%20b.gif", "a b.gif"},
      {"lower-case digits", "%2e%2E", ".."},
      {"byte above 127", "%E9t%e9.htm", "\xe9t\xe9.htm"},
      {"zero byte", "a%00b", std::string("a\0b", 3)},
      {"percent alone", "100%.htm", "100%.htm"},
      {"one digit", "a%2", "a%2"},
      {"no digit at the end", "a%", "a%"},
      {"not hex", "%G1%1G", "%G1%1G"},
      {"escape at the very end", "a%41", "aA"},
      {"escaped percent not decoded twice", "%2541", "%41"},
      {"empty", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PercentDecoded(row.text), row.expected);
  }
}

TEST(PercentDecodedStrictly, RefusesAnyOtherSpelling) {
  EXPECT_EQ(PercentDecodedStrictly("sub%20dir%5C100%25"),
            std::optional<std::string>("sub dir\\100%"));
  EXPECT_EQ(PercentDecodedStrictly(""), std::optional<std::string>(""));
  EXPECT_EQ(PercentDecodedStrictly("a%2e"), std::nullopt);
  EXPECT_EQ(PercentDecodedStrictly("a%2"), std::nullopt);
  EXPECT_EQ(PercentDecodedStrictly("a%"), std::nullopt);
  EXPECT_EQ(PercentDecodedStrictly("%G1"), std::nullopt);
}

// The operations as they were written before the path type, kept as models:
// the folder that split at "\" only (a main file's path has no "/"), the
// ".." fold that stopped at the root, and the one that refused to climb.
std::string ModelDirectoryOf(std::string path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return std::string();
  path.resize(slash);
  return path;
}

std::string ModelLexicallyNormal(const std::string& path) {
  std::vector<std::string> parts;
  for (std::string& component : SitePath(path).Components()) {
    if (component != "..") {
      parts.push_back(std::move(component));
    } else if (!parts.empty()) {
      parts.pop_back();
    }
  }
  std::string normal;
  for (const std::string& part : parts) normal += "\\" + part;
  return normal.empty() ? "\\" : normal;
}

std::optional<Parts> ModelFoldInsideTheSite(const std::string& folder,
                                            const std::string& path) {
  Parts parts;
  for (const std::string& text : {folder, path}) {
    for (std::string& component : SitePath(text).Components()) {
      if (component != "..") {
        parts.push_back(std::move(component));
      } else if (parts.empty()) {
        return std::nullopt;
      } else {
        parts.pop_back();
      }
    }
  }
  return parts;
}

// Paths of a few short names, "." and "..", both separators, doubled ones.
std::string RandomPath(std::mt19937& random, bool absolute) {
  static const char* const kPieces[] = {"a", "b", "..", ".", "", "c.htm"};
  std::string path = absolute ? "\\" : "";
  const int count = static_cast<int>(random() % 7);
  for (int i = 0; i < count; ++i) {
    if (i > 0) path += random() % 3 == 0 ? "/" : "\\";
    path += kPieces[random() % 6];
  }
  return path;
}

TEST(SitePath, AgreesWithTheOldOperationsOnGeneratedPaths) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 20000; ++round) {
    const std::string absolute = RandomPath(random, /*absolute=*/true);
    SCOPED_TRACE(absolute);
    EXPECT_EQ(SitePath(absolute).Normal().text(),
              ModelLexicallyNormal(absolute));

    // Folder() then Join() rebuilds what DirectoryOf() + "\" made, for a
    // path with no "/" and a name, as a main file's path is. Only a file in
    // the root named with a doubled separator ("\\doc.htm") differs: the
    // old form gave "\\x.htm" and the new "\x.htm", the same file.
    std::string mainFile = SitePath::FromSlashForm(absolute).text();
    if (mainFile.back() == '\\') mainFile += "doc.htm";
    const bool doubledRoot = SitePath(mainFile).Folder().text() == "\\" &&
                             mainFile.compare(0, 2, "\\\\") == 0;
    if (!doubledRoot) {
      EXPECT_EQ(SitePath(mainFile).Folder().Join("x.htm").text(),
                ModelDirectoryOf(mainFile) + "\\x.htm");
    }

    const std::string folder = RandomPath(random, /*absolute=*/false);
    const std::string path = RandomPath(random, /*absolute=*/false);
    const Parts folded = SitePath(folder + "/" + path).FoldedComponents();
    const std::optional<Parts> model = ModelFoldInsideTheSite(folder, path);
    const bool climbs = !folded.empty() && folded.front() == "..";
    EXPECT_EQ(climbs, !model.has_value()) << folder << " + " << path;
    if (model && !climbs) {
      EXPECT_EQ(folded, *model) << folder << " + " << path;
    }
  }
}

// The two decoders as they were, one lenient for references and one strict
// for the staging record, compared with the one decoder on generated texts.
int ModelHexValue(char c, bool upperOnly) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!upperOnly && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ModelPercentDecoded(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        ModelHexValue(text[i + 1], false) >= 0 &&
        ModelHexValue(text[i + 2], false) >= 0) {
      plain += static_cast<char>(ModelHexValue(text[i + 1], false) * 16 +
                                 ModelHexValue(text[i + 2], false));
      i += 2;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

std::optional<std::string> ModelUnescaped(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      plain += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = ModelHexValue(text[i + 1], true);
    const int low = ModelHexValue(text[i + 2], true);
    if (high < 0 || low < 0) return std::nullopt;
    plain += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return plain;
}

TEST(PercentDecoded, AgreesWithTheOldDecodersOnGeneratedTexts) {
  static constexpr std::string_view kBytes = "%%%0aAfFgG9\xe9";
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const std::size_t length = random() % 9;
    for (std::size_t i = 0; i < length; ++i)
      text += kBytes[random() % kBytes.size()];
    SCOPED_TRACE(text);
    EXPECT_EQ(PercentDecoded(text), ModelPercentDecoded(text));
    EXPECT_EQ(PercentDecodedStrictly(text), ModelUnescaped(text));
  }
}

// The UTF-8 bytes of one code point below U+0800.
std::string Utf8(char32_t letter) {
  if (letter < 0x80) return std::string(1, static_cast<char>(letter));
  return {static_cast<char>(0xC0 | (letter >> 6)),
          static_cast<char>(0x80 | (letter & 0x3F))};
}

TEST(FoldedLetterCase, FoldsTheLettersFileSystemsAgreeOn) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"empty", "", ""},
      {"ASCII", "\\Site/Report_P1.HTM", "\\site/report_p1.htm"},
      {"no letters", "0-9_ ~[]@`{}", "0-9_ ~[]@`{}"},
      {"zero byte", std::string("A\0B", 3), std::string("a\0b", 3)},
      {"Latin-1", "\xC3\x84\xC3\x98\xC3\x9E\xC3\x80",  // ÄØÞÀ
       "\xC3\xA4\xC3\xB8\xC3\xBE\xC3\xA0"},
      {"times and sharp s stay", "\xC3\x97\xC3\x9F", "\xC3\x97\xC3\x9F"},
      {"Latin Extended-A", "\xC4\x80\xC4\xB9\xC5\x8A\xC5\xBD",  // ĀĹŊŽ
       "\xC4\x81\xC4\xBA\xC5\x8B\xC5\xBE"},
      {"Y with diaeresis", "\xC5\xB8", "\xC3\xBF"},
      {"dotted and dotless i, long s stay", "\xC4\xB0\xC4\xB1\xC5\xBF",
       "\xC4\xB0\xC4\xB1\xC5\xBF"},
      {"Greek", "\xCE\x86\xCE\x88\xCE\x8C\xCE\x8F\xCE\xA3\xCE\xA9",
       "\xCE\xAC\xCE\xAD\xCF\x8C\xCF\x8E\xCF\x83\xCF\x89"},  // ΆΈΌΏΣΩ
      {"final sigma folds with sigma", "\xCF\x82", "\xCF\x83"},
      {"micro sign stays", "\xC2\xB5", "\xC2\xB5"},
      {"Cyrillic", "\xD0\x81\xD0\x90\xD0\xAF\xD1\xA0\xD3\x81\xD3\x90",
       "\xD1\x91\xD0\xB0\xD1\x8F\xD1\xA1\xD3\x82\xD3\x91"},  // ЁАЯѠӁӐ
      {"lower case stays", "\xC3\xA4\xCF\x89\xD1\x8F",
       "\xC3\xA4\xCF\x89\xD1\x8F"},
      {"three-byte letters stay", "\xE1\xBA\x9E\xE2\x84\xAA",  // ẞ, Kelvin
       "\xE1\xBA\x9E\xE2\x84\xAA"},
      {"lead byte at the end", "A\xC3", "a\xC3"},
      {"lead byte before ASCII",
       "\xC3"
       "A",
       "\xC3"
       "a"},
      {"Latin-1 bytes, no UTF-8", "\xC4\xD6X", "\xC4\xD6x"},
      {"continuation bytes alone", "\x84\x98", "\x84\x98"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FoldedLetterCase(row.text), row.expected);
  }
}

TEST(FoldedLetterCase, EveryTwoByteLetterFoldsToOneOfItsOwnLength) {
  for (char32_t letter = 0x80; letter < 0x800; ++letter) {
    const std::string folded = FoldedLetterCase(Utf8(letter));
    SCOPED_TRACE(static_cast<unsigned>(letter));
    ASSERT_EQ(folded.size(), 2u);
    // A folded letter folds to itself: one key per name.
    EXPECT_EQ(FoldedLetterCase(folded), folded);
  }
  for (char32_t letter = 0; letter < 0x80; ++letter) {
    EXPECT_EQ(FoldedLetterCase(Utf8(letter)),
              Utf8(letter >= 'A' && letter <= 'Z' ? letter + 0x20 : letter));
  }
}

}  // namespace
}  // namespace quillery
