// Real locations of a conversion's files; see site_paths.h.
#include "convert/site_paths.h"

#include <optional>
#include <utility>
#include <vector>

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
  foldsLetterCase_ = files_.FoldsLetterCase(siteFolder_);
}

bool SitePaths::IsInsideSite(const std::string& real) const {
  if (!foldsLetterCase_) return SitePath(real).IsInside(SitePath(siteFolder_));
  return SitePath(FoldedLetterCase(real))
      .IsInside(SitePath(FoldedLetterCase(siteFolder_)));
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
  if (!IsInsideSite(*real)) {
    throw FileError("refusing to write '" + ShownPath(path) +
                    "': its folder leads out of the document's folder");
  }
  if (foldsLetterCase_) *real = SpelledFolder(*real);
  return realFolders_.emplace(folder, *real).first->second;
}

bool SitePaths::MayHold(const std::string& key) {
  const SitePath path(key);
  const std::string folder = path.Folder().text();
  auto listed = heldNames_.find(folder);
  if (listed == heldNames_.end()) {
    std::optional<std::set<std::string>> names;
    try {
      names.emplace();
      for (std::string& entry : files_.FolderEntries(folder)) {
        names->insert(foldsLetterCase_ ? FoldedLetterCase(entry)
                                       : std::move(entry));
      }
    } catch (const FileError&) {
      // A folder that can be passed through but not listed: each of its
      // files is looked at on its own.
      names.reset();
    }
    listed = heldNames_.emplace(folder, std::move(names)).first;
  }
  if (!listed->second) return true;
  const std::string name = path.Name();
  return listed->second->count(foldsLetterCase_ ? FoldedLetterCase(name)
                                                : name) != 0;
}

const std::string& SitePaths::NameIn(const std::string& folder,
                                     const std::string& name) {
  auto listed = entries_.find(folder);
  if (listed == entries_.end()) {
    std::vector<std::string> entries;
    try {
      entries = files_.FolderEntries(folder);
    } catch (const FileError&) {
      // A folder that can be passed through but not listed: its names stay
      // as given, and the system still finds each file under them.
    }
    std::map<std::string, std::string> names;
    for (std::string& entry : entries) {
      std::string folded = FoldedLetterCase(entry);
      names.emplace(std::move(folded), std::move(entry));
    }
    listed = entries_.emplace(folder, std::move(names)).first;
  }
  auto found = listed->second.find(FoldedLetterCase(name));
  return found == listed->second.end() ? name : found->second;
}

const std::string& SitePaths::SpelledFolder(const std::string& realFolder) {
  auto known = spelledFolders_.find(realFolder);
  if (known != spelledFolders_.end()) return known->second;
  // Inside the site, so its components begin with those of the site folder.
  const std::vector<std::string> names = SitePath(realFolder).Components();
  const std::size_t siteNames = SitePath(siteFolder_).Components().size();
  SitePath spelled(siteFolder_);
  for (std::size_t i = siteNames; i < names.size(); ++i) {
    spelled = spelled.Join(NameIn(spelled.text(), names[i]));
  }
  return spelledFolders_.emplace(realFolder, spelled.text()).first->second;
}

std::string SitePaths::KeyOf(const std::string& path) {
  const std::string& folder = RealFolderOf(path);
  const std::string name = SitePath(path).Name();
  if (!foldsLetterCase_) return SitePath(folder).Join(name).text();
  return SitePath(folder).Join(NameIn(folder, name)).text();
}

std::string SitePaths::SpelledAsInTheSite(const std::string& relative) {
  if (!foldsLetterCase_) return relative;
  std::string spelled;
  for (const std::string& name : SitePath(relative).Components()) {
    // The folder the name lies in, as the system finds it: a link on the
    // way is followed there, and its own name spelled as its folder holds
    // it.
    auto real = realOfRelative_.find(spelled);
    if (real == realOfRelative_.end()) {
      const std::optional<std::string> found = files_.RealPath(
          spelled.empty() ? siteFolder_
                          : SitePath(siteFolder_).Join(spelled).text());
      real = realOfRelative_.emplace(spelled, found.value_or("")).first;
    }
    const std::string& inFolder =
        real->second.empty() || !IsInsideSite(real->second)
            ? name
            : NameIn(real->second, name);
    spelled = spelled.empty() ? inFolder : spelled + "\\" + inFolder;
  }
  return spelled;
}

std::string SitePaths::RelativeOf(const std::string& key) const {
  const std::size_t skip = siteFolder_ == "\\" ? 1 : siteFolder_.size() + 1;
  return key.size() > skip ? key.substr(skip) : std::string();
}

}  // namespace quillery
