// The files of the site an output folder needs besides the planned ones:
// the main file, when no planned file took its place, and every file that
// the files put into the output refer to (href, src, background, CSS
// url()), followed through the files copied for them as well. Paths are
// from the site folder, in "\" form. Touches no file: the output folder's
// writer looks at, copies and reports each candidate.
#ifndef QUILLERY_CONVERT_REFERENCED_FILES_H_
#define QUILLERY_CONVERT_REFERENCED_FILES_H_

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "text/key_set.h"
#include "split/site_references.h"

namespace quillery {

class ReferencedFiles {
 public:
  // A file that may have to be copied, and whether a reference of it that
  // leads outside the site is counted.
  struct Candidate {
    std::string relative;
    bool counted = true;
  };

  // `mainFile` is read for references whatever its name. The references of
  // the files at `uncounted` are followed as those of any other file but not
  // counted in outside(): other files written hold them already. With
  // `foldsLetterCase`, paths that differ only in letter case
  // (FoldedLetterCase) are one file: "Pic.GIF" is passed over once
  // "pic.gif" was written.
  ReferencedFiles(std::string mainFile, std::set<std::string> uncounted,
                  bool foldsLetterCase = false);

  // Notes a file that the output gets before the first Next(), whatever
  // refers to it: a reference to it is no candidate, and is not kept.
  void WillBeWritten(const std::string& relative);

  // Notes a file put into the output: it is never a candidate again, and
  // the references of a page or stylesheet (".htm", ".html", ".css", or the
  // main file) are followed. References that lead outside the site (another
  // scheme, an absolute path, "../" out of it) are counted. The same as
  // Add(Scan(relative, bytes)).
  void Written(const std::string& relative, std::string_view bytes);

  // A file from the site folder that some file refers to.
  struct Referenced {
    std::string path;  // "/" form, from the site folder
    bool counted = true;
  };
  // What Written learns from one file's bytes.
  struct ScannedFile {
    std::string key;          // the file's own
    std::size_t outside = 0;  // counted references that lead outside
    // In text order, those to files noted by WillBeWritten left out.
    std::vector<Referenced> inSite;
  };
  // The first half of Written: the references of the file, changing
  // nothing. Files written side by side are scanned on their own threads at
  // once; every WillBeWritten must come before the first Scan.
  [[nodiscard]] ScannedFile Scan(const std::string& relative,
                                 std::string_view bytes) const;
  // The second half: the file noted as written, and its references taken.
  // Files added in the order they are listed keep the order of Next().
  void Add(ScannedFile scanned);

  // True when the references of the file at `relative` are followed once
  // it is written (a page, a stylesheet or the main file): its bytes are
  // needed then, while any other file may be copied without reading it.
  [[nodiscard]] bool FollowsReferences(const std::string& relative) const;

  // The next file to look at, the main file first, then each file referred
  // to in the order found; nothing once every one was looked at. A file
  // written by then is passed over. A file noted by WillBeWritten that was
  // not written by the first call is a fault of the caller
  // (std::logic_error).
  [[nodiscard]] std::optional<Candidate> Next();

  // The candidate's real place lies outside the site (a link leads out):
  // counted as a reference that leads outside, when it is counted.
  void LeadsOutside(const Candidate& candidate);

  // References that lead outside the site: each one once per file written
  // that holds it.
  [[nodiscard]] std::size_t outside() const { return outside_; }

 private:
  // The path under which two paths are one file.
  [[nodiscard]] std::string KeyOf(const std::string& relative) const;

  bool foldsLetterCase_ = false;
  std::string mainFile_;
  std::string mainFileKey_;
  std::unordered_set<std::string> uncounted_;      // keys
  KeySet written_;                                 // keys
  KeySet willBeWritten_;                           // keys
  std::vector<Referenced> queue_;
  std::size_t next_ = 0;
  bool started_ = false;
  std::size_t outside_ = 0;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_REFERENCED_FILES_H_
