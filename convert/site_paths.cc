// Real locations of a conversion's files; see site_paths.h.
#include "convert/site_paths.h"

#include <optional>
#include <utility>
#include <vector>

#include "split/paths.h"

namespace quillery {

std::string FolderOfPath(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::string();
  if (separator == 0) return "\\";
  return path.substr(0, separator);
}

std::string NameOfPath(const std::string& path) {
  return path.substr(path.find_last_of("\\/") + 1);
}

std::string LexicallyNormal(const std::string& path) {
  std::vector<std::string> parts;
  for (std::string& component : PathComponents(path)) {
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

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (folder == "\\") return !path.empty() && path[0] == '\\';
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '\\';
}

SitePaths::SitePaths(FileOperations& files, const std::string& siteFolder)
    : files_(files) {
  std::optional<std::string> real = files_.RealPath(siteFolder);
  if (!real) {
    throw FileError("cannot write '" + NativePath(siteFolder) +
                    "': no such folder");
  }
  siteFolder_ = *real;
}

const std::string& SitePaths::RealFolderOf(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  auto known = realFolders_.find(folder);
  if (known != realFolders_.end()) return known->second;
  std::optional<std::string> real = files_.RealPath(folder);
  if (!real) {
    throw FileError("cannot write '" + NativePath(path) +
                    "': its folder does not exist");
  }
  if (!IsInsideFolder(*real, siteFolder_)) {
    throw FileError("refusing to write '" + NativePath(path) +
                    "': its folder leads out of the document's folder");
  }
  return realFolders_.emplace(folder, *real).first->second;
}

std::string SitePaths::KeyOf(const std::string& path) {
  const std::string& folder = RealFolderOf(path);
  return (folder == "\\" ? std::string() : folder) + "\\" + NameOfPath(path);
}

std::string SitePaths::RelativeOf(const std::string& key) const {
  const std::size_t skip = siteFolder_ == "\\" ? 1 : siteFolder_.size() + 1;
  return key.size() > skip ? key.substr(skip) : std::string();
}

}  // namespace quillery
