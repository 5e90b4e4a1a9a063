// The files a page or stylesheet refers to: the values of its href, src and
// background attributes and of CSS url(), wherever they stand (also inside
// the word processor's conditional comments).
#ifndef QUILLERY_SPLIT_SITE_REFERENCES_H_
#define QUILLERY_SPLIT_SITE_REFERENCES_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// Steps through the references of a text in text order, each handed out as
// a view into the text: the value after href=, src= or background= (names in
// any letter case, not part of a longer name such as data-src=), quoted with
// " or ' or up to the next blank or ">", and the argument of url(...),
// quoted or not. A value whose closing quote or ")" is missing is empty.
// The search goes on just after each name, so a reference written inside
// another one's value is found too. The text must outlive the scanner.
class ReferenceScanner {
 public:
  explicit ReferenceScanner(std::string_view text);

  // The next reference; nothing once the text is done.
  [[nodiscard]] std::optional<std::string_view> Next();

 private:
  std::string_view text_;
  // The next "=" or "(" not yet looked at; npos when there is none.
  std::size_t next_;
};

// Calls `each(std::string_view reference)` for every reference of `text`, in
// text order (ReferenceScanner), copying nothing.
template <typename Each>
void ForEachReference(std::string_view text, Each&& each) {
  ReferenceScanner scanner(text);
  while (const std::optional<std::string_view> reference = scanner.Next()) {
    each(*reference);
  }
}

// Every reference of `text`, in text order, as written (ForEachReference).
//
//   FindReferences("<img src=\"a b.gif\"><p style='background:url(x.png)'>")
//       == {"a b.gif", "x.png"}
[[nodiscard]] std::vector<std::string> FindReferences(std::string_view text);

// The part of a reference that names a file: what comes before its first
// "#" or "?" ("Report_p2.htm#_Toc1" gives "Report_p2.htm", "#x" gives "").
// Two references with the same file part point at the same file.
[[nodiscard]] std::string_view ReferenceFilePart(std::string_view reference);

// What a reference points at.
struct ReferenceTarget {
  enum class Kind {
    kNoFile,   // "", a fragment ("#x") alone: nothing to copy
    kOutside,  // another scheme ("http:", "mailto:"), an absolute path, or a
               // path that climbs out of the site folder ("../x")
    kInSite    // a file of the site
  };
  Kind kind = Kind::kNoFile;
  // For kInSite: the path from the site folder, "%XX" decoded, "#..." and
  // "?..." cut off, "." and ".." folded, "/" for every separator.
  std::string path;
};

// Classifies `reference`, found in a file of the folder `pageFolder` (a path
// from the site folder, "/" separated; "" for the site folder itself).
//
//   ClassifyReference("../img/a%20b.gif#x", "doc_files") gives kInSite
//   "img/a b.gif"; ClassifyReference("../x.gif", "") gives kOutside.
[[nodiscard]] ReferenceTarget ClassifyReference(std::string_view reference,
                                                std::string_view pageFolder);

// For a reference found in a file of the site folder itself: the file it
// points at when that is a plain name in the site folder (no folder, no
// scheme, no "%" escape, not "." or ".."), as ClassifyReference(reference,
// "") gives its kInSite path, but without building a text; "" for any other
// reference, which ClassifyReference then reads.
//
//   PlainFileName(" Report_p2.htm#_Toc1") == "Report_p2.htm"
//   PlainFileName("img/a.gif") == ""
[[nodiscard]] std::string_view PlainFileName(std::string_view reference);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_SITE_REFERENCES_H_
