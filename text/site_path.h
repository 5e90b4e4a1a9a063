// The paths of a site's files as text: their parts, their folder, "." and
// "..", the path from a folder, comparison keys. Nothing here asks the file
// system: a symbolic link is not followed and a path need not exist.
//
//   SitePath("\site\doc_files/../img\a.gif").Normal().text() ==
//   "\site\img\a.gif"
#ifndef QUILLERY_TEXT_SITE_PATH_H_
#define QUILLERY_TEXT_SITE_PATH_H_

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillery {

// True for the bytes that separate a path's components: "\" and "/".
//
// The internal form of a path is "\" separated ("\tmp\site\doc.htm"), and a
// typed path has every "/" turned into "\" when it is taken in. A "/" still
// reaches an internal path from a reference written in a page, such as the
// frame source "sub/toc.htm" joined to the main file's folder, and there it
// separates too: the file lies in the folder "sub". So both separate, in
// every operation here.
inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

class SitePath {
 public:
  SitePath() = default;
  // Any text: an internal path, a path from a folder, a reference's path.
  explicit SitePath(std::string text) : text_(std::move(text)) {}

  // The path from a reference or a record in the "/" form: every "/" becomes
  // "\" ("img/a.gif" gives "img\a.gif").
  [[nodiscard]] static SitePath FromSlashForm(std::string text);

  // The text as given.
  [[nodiscard]] const std::string& text() const { return text_; }

  // The text with every "\" turned into "/": the form written in references
  // and shown to the user, and the one the system opens.
  [[nodiscard]] std::string SlashForm() const;

  // True when the text begins with a separator.
  [[nodiscard]] bool IsAbsolute() const;

  // The components, empty ones and "." left out; ".." stays.
  // "\site\./doc_files//toc.htm" gives {"site", "doc_files", "toc.htm"}.
  [[nodiscard]] std::vector<std::string> Components() const;

  // The components with each ".." folded into the one before it. This is the
  // one rule for "..": a ".." with nothing before it to take away stays,
  // because the path climbs above the folder it is read from ("a\..\..\x"
  // gives {"..", "x"}); Normal() then drops it, the root being its own parent.
  [[nodiscard]] std::vector<std::string> FoldedComponents() const;

  // The absolute path with "." and ".." folded and empty components dropped,
  // "\" separated: "\a\.\b\..\c\" gives "\a\c", "\..\x" gives "\x", and a
  // path with no component left gives the root "\".
  [[nodiscard]] SitePath Normal() const;

  // The text before the last separator: "\" when that is the root, "" when
  // there is no separator. "\site\sub/a.htm" gives "\site\sub".
  [[nodiscard]] SitePath Folder() const;

  // The text after the last separator, the whole text when there is none;
  // "" for a path ending in a separator.
  [[nodiscard]] std::string Name() const;

  // `name` (a name or a path from this folder) in this folder, joined with
  // "\": "\site" and "a.htm" give "\site\a.htm", the root "\" gives "\a.htm"
  // and an empty folder gives `name` itself.
  [[nodiscard]] SitePath Join(std::string_view name) const;

  // True when this path is `folder` itself or lies under it, comparing whole
  // components of the texts as given (both resolved): "\site2" is not inside
  // "\site", and every absolute path is inside the root "\".
  [[nodiscard]] bool IsInside(const SitePath& folder) const;

  // The "/" form of this path as read from `folder`, both from one folder
  // and folded ("..": FoldedComponents): "../" for each of the folder's
  // components not shared, then the rest. The last component is a file's
  // name, never a shared folder: from "a", the path "a" gives "../a".
  [[nodiscard]] std::string RelativeFrom(const SitePath& folder) const;

  // The key under which two paths name the same file without asking the
  // file system: the components (Components()) each after a "/". Case counts
  // and ".." is not folded: "\site\sub/.\a.htm" and "\site\\sub\a.htm" both
  // give "/site/sub/a.htm".
  [[nodiscard]] std::string Key() const;

 private:
  std::string text_;
};

// The Windows form of an internal path, whose first name is the volume:
// "\C:\site\doc.htm" gives "C:\site\doc.htm", "\C:" the volume's root "C:\",
// and a share "\UNC\server\docs\a.htm" gives "\\server\docs\a.htm", every
// "/" becoming "\". A path without a volume, which only a file system in
// memory makes there, is shown in its "/" form as on other systems.
[[nodiscard]] std::string WindowsForm(const std::string& internalPath);

// The path as messages show it to the user: its "/" form
// ("\tmp\site\doc.htm" is shown as "/tmp/site/doc.htm"), on Windows its
// WindowsForm.
[[nodiscard]] inline std::string ShownPath(const std::string& internalPath) {
#ifdef _WIN32
  return WindowsForm(internalPath);
#else
  return SitePath(internalPath).SlashForm();
#endif
}

// `text` with the letter case folded as file systems that take names
// differing only in case for one name fold it: every upper-case letter
// becomes its lower-case partner. Folded are ASCII, and in UTF-8 the
// letters with a simple one-to-one partner of Latin-1 and Latin
// Extended-A, Greek (final sigma folds with sigma) and Cyrillic up to
// U+04F9. Letters whose partner differs between systems (dotted and dotless
// i, long s, micro sign, sharp s) and everything else, bytes that are no
// UTF-8 among them, stay as they are. Each folded letter keeps its length,
// so the result is as long as `text` and positions carry over:
// "Ä/Report.HTM" gives "ä/report.htm".
[[nodiscard]] std::string FoldedLetterCase(std::string text);

// `text` with every "%" followed by two hex digits (either case) turned into
// the byte they give; any other "%" stays as it is, as a browser reads a
// reference: "a%20b%2.gif" gives "a b%2.gif".
[[nodiscard]] std::string PercentDecoded(std::string_view text);

// PercentDecoded for a text this program escaped itself: nothing when a "%"
// is not followed by two upper-case hex digits ("a%2e" and "a%2" give
// nothing), so that only the one way of writing a byte is read back.
[[nodiscard]] std::optional<std::string> PercentDecodedStrictly(
    std::string_view text);

}  // namespace quillery

#endif  // QUILLERY_TEXT_SITE_PATH_H_
