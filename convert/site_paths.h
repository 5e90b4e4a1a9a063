// Where the files of a conversion really lie: each path's folder with
// symbolic links resolved, checked once to lie inside the site (the main
// file's folder). Two paths name the same file when their keys are equal.
// On a file system that folds letter case, names that differ only in case
// are one: a key then spells each name as it stands in its folder.
#ifndef QUILLERY_CONVERT_SITE_PATHS_H_
#define QUILLERY_CONVERT_SITE_PATHS_H_

#include <map>
#include <optional>
#include <set>
#include <string>

#include "convert/file_operations.h"

namespace quillery {

class SitePaths {
 public:
  // `siteFolder`: the main file's folder (internal form). Throws FileError
  // when it cannot be resolved. Asks once whether the site folder's file
  // system folds letter case, and takes its answer for the whole site.
  SitePaths(FileOperations& files, const std::string& siteFolder);

  // The real site folder.
  [[nodiscard]] const std::string& siteFolder() const { return siteFolder_; }
  // True when names in the site that differ only in letter case name one
  // file.
  [[nodiscard]] bool foldsLetterCase() const { return foldsLetterCase_; }

  // The real folder of `path` and its name. Throws FileError when the folder
  // does not exist or lies outside the site. Where letter case folds, each
  // name below the site folder, the last one too, is spelled as in its
  // folder ("\site\SUB\Report.HTM" gives "\site\sub\report.htm" when
  // "sub" holds "report.htm"); a name its folder does not hold stays as
  // given. Elsewhere the key is the real folder and the name as given.
  [[nodiscard]] std::string KeyOf(const std::string& path);
  [[nodiscard]] const std::string& RealFolderOf(const std::string& path);
  // False when the folder of `key` (a KeyOf result), listed once, holds no
  // name that is the key's own (letter case folded where the site folds
  // it); true when it holds one or cannot be listed. Lets a run skip
  // looking at each of thousands of new pages on its own.
  [[nodiscard]] bool MayHold(const std::string& key);

  // A key's path from the site folder, "\" separated.
  [[nodiscard]] std::string RelativeOf(const std::string& key) const;

  // True when the real path `real` is the site folder or lies in it, letter
  // case folded where the site folds it.
  [[nodiscard]] bool IsInsideSite(const std::string& real) const;

  // A path from the site folder ("\" separated, nothing folded) with each
  // name that lies in the site spelled as in its folder where letter case
  // folds; as given elsewhere. Links on the way are followed to list their
  // folder, their own names kept: "IMG\Pic.GIF" gives "img\pic.gif".
  [[nodiscard]] std::string SpelledAsInTheSite(const std::string& relative);

 private:
  // The real folder `path` with each name below the site spelled as in its
  // folder (for a site that folds letter case).
  const std::string& SpelledFolder(const std::string& realFolder);
  // `name` as the real folder `folder` holds it, or as given when the
  // folder holds no name that folds to the same or cannot be listed.
  const std::string& NameIn(const std::string& folder, const std::string& name);

  FileOperations& files_;
  std::string siteFolder_;
  bool foldsLetterCase_ = false;
  std::map<std::string, std::string> realFolders_;
  // Where letter case folds: real folders spelled as in the site, the
  // names in each real folder by their folded form, and the real folders of
  // paths from the site.
  std::map<std::string, std::string> spelledFolders_;
  std::map<std::string, std::map<std::string, std::string>> entries_;
  std::map<std::string, std::string> realOfRelative_;
  // The names each real folder held when first asked by MayHold, folded
  // where letter case folds; nothing for a folder that could not be listed.
  std::map<std::string, std::optional<std::set<std::string>>> heldNames_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_SITE_PATHS_H_
