// Following the references of an output's files; see referenced_files.h.
#include "convert/referenced_files.h"

#include <stdexcept>
#include <utility>
#include <vector>

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
  // Where a reference leads is worked out once for each file it names in
  // this file: what follows "#" or "?" does not change the file, and a
  // page's many links to the anchors of one page cost one lookup each.
  struct Lead {
    std::string_view file;
    ReferenceTarget::Kind kind = ReferenceTarget::Kind::kNoFile;
    // In the site and not written anyway: to be looked at once the planned
    // files are written. A reference to a file that is written anyway
    // would only be passed over then, and kept until then it would cost
    // memory for each link.
    bool kept = false;
    std::string path;  // when kept
  };
  // A page names a handful of files, looked for one by one; a contents
  // page may name thousands, found by their hash once there are many (the
  // set numbers them as the leads are numbered, in the order first named).
  constexpr std::size_t kLeadsLookedThrough = 16;
  std::vector<Lead> leads;
  leads.reserve(kLeadsLookedThrough);
  KeySet leadFiles;
  const auto findLead = [&](std::string_view file) {
    if (leads.size() <= kLeadsLookedThrough) {
      for (std::size_t i = 0; i < leads.size(); ++i) {
        if (leads[i].file == file) return i;
      }
      return leads.size();
    }
    const std::size_t found = leadFiles.Find(file);
    return found == KeySet::kAbsent ? leads.size() : found;
  };
  std::string key;  // reused for each file named
  ForEachReference(bytes, [&](std::string_view reference) {
    const std::string_view file = ReferenceFilePart(reference);
    std::size_t known = findLead(file);
    if (known == leads.size()) {
      Lead lead;
      lead.file = file;
      // A page in the site folder mostly names other pages there, written
      // anyway: a plain name is looked up as it stands, without being read
      // into a path first.
      const std::string_view plain =
          folder.empty() ? PlainFileName(reference) : std::string_view();
      ReferenceTarget target;
      if (plain.empty()) target = ClassifyReference(reference, folder);
      lead.kind = plain.empty() ? target.kind : ReferenceTarget::Kind::kInSite;
      if (lead.kind == ReferenceTarget::Kind::kInSite) {
        const std::string_view path =
            plain.empty() ? std::string_view(target.path) : plain;
        // The key of the file, as KeyOf gives it for its "\" form.
        key.assign(path);
        for (char& c : key) {
          if (c == '/') c = '\\';
        }
        if (foldsLetterCase_) key = FoldedLetterCase(std::move(key));
        lead.kept = !willBeWritten_.Contains(key);
        if (lead.kept) lead.path = std::string(path);
      }
      leads.push_back(std::move(lead));
      if (leads.size() > kLeadsLookedThrough) {
        if (leadFiles.empty()) {
          for (const Lead& each : leads) leadFiles.Insert(each.file);
        } else {
          leadFiles.Insert(file);
        }
      }
    }
    const Lead& lead = leads[known];
    if (lead.kind == ReferenceTarget::Kind::kOutside && counted) {
      ++scanned.outside;
    }
    if (lead.kept) scanned.inSite.push_back({lead.path, counted});
  });
  return scanned;
}

void ReferencedFiles::Add(ScannedFile scanned) {
  written_.Insert(scanned.key);
  outside_ += scanned.outside;
  for (Referenced& referenced : scanned.inSite) {
    queue_.push_back(std::move(referenced));
  }
}

bool ReferencedFiles::FollowsReferences(const std::string& relative) const {
  return MayReferToFiles(relative) || KeyOf(relative) == mainFileKey_;
}

void ReferencedFiles::WillBeWritten(const std::string& relative) {
  willBeWritten_.Insert(KeyOf(relative));
}

std::optional<ReferencedFiles::Candidate> ReferencedFiles::Next() {
  if (!started_) {
    // The references to these files were not kept: each must be written.
    willBeWritten_.ForEach([this](std::string_view relative) {
      if (!written_.Contains(relative)) {
        throw std::logic_error("a file to be written was not written");
      }
    });
    // The main file comes first, once the planned files are all written.
    queue_.insert(queue_.begin(), {SitePath(mainFile_).SlashForm(), true});
    started_ = true;
  }
  while (next_ < queue_.size()) {
    const Referenced& referenced = queue_[next_++];
    std::string relative = SitePath::FromSlashForm(referenced.path).text();
    if (written_.Contains(KeyOf(relative))) continue;
    return Candidate{std::move(relative), referenced.counted};
  }
  return std::nullopt;
}

void ReferencedFiles::LeadsOutside(const Candidate& candidate) {
  if (candidate.counted) ++outside_;
}

}  // namespace quillery
