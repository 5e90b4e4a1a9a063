// Following the references of an output's files; see referenced_files.h.
#include "convert/referenced_files.h"

#include <stdexcept>
#include <utility>

#include "split/site_references.h"
#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// Pages and stylesheets are read for what they refer to; pictures are not.
bool MayReferToFiles(const std::string& relative) {
  const std::string lower = AsciiLower(relative);
  for (std::string_view extension : {".htm", ".html", ".css"}) {
    if (lower.size() > extension.size() && EndsWith(lower, extension)) {
      return true;
    }
  }
  return false;
}

}  // namespace

ReferencedFiles::ReferencedFiles(std::string mainFile,
                                 std::set<std::string> uncounted,
                                 bool foldsLetterCase)
    : foldsLetterCase_(foldsLetterCase),
      mainFile_(std::move(mainFile)),
      mainFileKey_(KeyOf(mainFile_)) {
  for (const std::string& relative : uncounted) {
    uncounted_.insert(KeyOf(relative));
  }
}

std::string ReferencedFiles::KeyOf(const std::string& relative) const {
  return foldsLetterCase_ ? FoldedLetterCase(relative) : relative;
}

void ReferencedFiles::Written(const std::string& relative,
                              std::string_view bytes) {
  Add(Scan(relative, bytes));
}

ReferencedFiles::ScannedFile ReferencedFiles::Scan(
    const std::string& relative, std::string_view bytes) const {
  ScannedFile scanned;
  scanned.key = KeyOf(relative);
  if (!FollowsReferences(relative)) return scanned;
  const std::string folder = SitePath(relative).Folder().SlashForm();
  const bool counted = uncounted_.count(scanned.key) == 0;
  // What follows "#" or "?" does not change the file: a page's many links
  // to the anchors of one page are classified once.
  std::unordered_map<std::string, ReferenceTarget> classified;
  for (const std::string& reference : FindReferences(bytes)) {
    const std::string_view file =
        std::string_view(reference).substr(0, reference.find_first_of("#?"));
    auto known = classified.find(std::string(file));
    if (known == classified.end()) {
      known = classified
                  .emplace(std::string(file),
                           ClassifyReference(reference, folder))
                  .first;
    }
    const ReferenceTarget& target = known->second;
    if (target.kind == ReferenceTarget::Kind::kOutside && counted) {
      ++scanned.outside;
    }
    if (target.kind != ReferenceTarget::Kind::kInSite) continue;
    // Most references of the pages lead to other pages: those would only be
    // passed over later, and kept until then they would cost memory for
    // each link.
    if (!willBeWritten_.empty() &&
        willBeWritten_.count(
            KeyOf(SitePath::FromSlashForm(target.path).text())) != 0) {
      continue;
    }
    scanned.inSite.push_back({target.path, counted});
  }
  return scanned;
}

void ReferencedFiles::Add(ScannedFile scanned) {
  written_.insert(std::move(scanned.key));
  outside_ += scanned.outside;
  for (Referenced& referenced : scanned.inSite) {
    queue_.push_back(std::move(referenced));
  }
}

bool ReferencedFiles::FollowsReferences(const std::string& relative) const {
  return MayReferToFiles(relative) || KeyOf(relative) == mainFileKey_;
}

void ReferencedFiles::WillBeWritten(const std::string& relative) {
  willBeWritten_.insert(KeyOf(relative));
}

std::optional<ReferencedFiles::Candidate> ReferencedFiles::Next() {
  if (!started_) {
    // The references to these files were not kept: each must be written.
    for (const std::string& relative : willBeWritten_) {
      if (written_.count(relative) == 0) {
        throw std::logic_error("a file to be written was not written");
      }
    }
    // The main file comes first, once the planned files are all written.
    queue_.insert(queue_.begin(), {SitePath(mainFile_).SlashForm(), true});
    started_ = true;
  }
  while (next_ < queue_.size()) {
    const Referenced& referenced = queue_[next_++];
    std::string relative = SitePath::FromSlashForm(referenced.path).text();
    if (written_.count(KeyOf(relative)) != 0) continue;
    return Candidate{std::move(relative), referenced.counted};
  }
  return std::nullopt;
}

void ReferencedFiles::LeadsOutside(const Candidate& candidate) {
  if (candidate.counted) ++outside_;
}

}  // namespace quillery
