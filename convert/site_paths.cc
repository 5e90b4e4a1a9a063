// Real locations of a conversion's files; see site_paths.h.
#include "convert/site_paths.h"

#include <optional>

#include "text/site_path.h"

namespace quillery {

SitePaths::SitePaths(FileOperations& files, const std::string& siteFolder)
    : files_(files) {
  std::optional<std::string> real = files_.RealPath(siteFolder);
  if (!real) {
    throw FileError("cannot write '" + ShownPath(siteFolder) +
                    "': no such folder");
  }
  siteFolder_ = *real;
}

const std::string& SitePaths::RealFolderOf(const std::string& path) {
  const std::string folder = SitePath(path).Folder().text();
  auto known = realFolders_.find(folder);
  if (known != realFolders_.end()) return known->second;
  std::optional<std::string> real = files_.RealPath(folder);
  if (!real) {
    throw FileError("cannot write '" + ShownPath(path) +
                    "': its folder does not exist");
  }
  if (!SitePath(*real).IsInside(SitePath(siteFolder_))) {
    throw FileError("refusing to write '" + ShownPath(path) +
                    "': its folder leads out of the document's folder");
  }
  return realFolders_.emplace(folder, *real).first->second;
}

std::string SitePaths::KeyOf(const std::string& path) {
  return SitePath(RealFolderOf(path)).Join(SitePath(path).Name()).text();
}

std::string SitePaths::RelativeOf(const std::string& key) const {
  const std::size_t skip = siteFolder_ == "\\" ? 1 : siteFolder_.size() + 1;
  return key.size() > skip ? key.substr(skip) : std::string();
}

}  // namespace quillery
