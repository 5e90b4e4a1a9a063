// Where the files of a conversion really lie: each path's folder with
// symbolic links resolved, checked once to lie inside the site (the main
// file's folder). Two paths name the same file when their keys are equal.
#ifndef QUILLERY_CONVERT_SITE_PATHS_H_
#define QUILLERY_CONVERT_SITE_PATHS_H_

#include <map>
#include <string>

#include "convert/file_operations.h"

namespace quillery {

class SitePaths {
 public:
  // `siteFolder`: the main file's folder (internal form). Throws FileError
  // when it cannot be resolved.
  SitePaths(FileOperations& files, const std::string& siteFolder);

  // The real site folder.
  [[nodiscard]] const std::string& siteFolder() const { return siteFolder_; }

  // The real folder of `path` and its name. Throws FileError when the folder
  // does not exist or lies outside the site.
  [[nodiscard]] std::string KeyOf(const std::string& path);
  [[nodiscard]] const std::string& RealFolderOf(const std::string& path);

  // A key's path from the site folder, "\" separated.
  [[nodiscard]] std::string RelativeOf(const std::string& key) const;

 private:
  FileOperations& files_;
  std::string siteFolder_;
  std::map<std::string, std::string> realFolders_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_SITE_PATHS_H_
