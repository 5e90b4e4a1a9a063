// The plan of a conversion's files; see conversion_plan.h.
#include "convert/conversion_plan.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "convert/conversion_error.h"
#include "convert/writing_threads.h"
#include "text/key_set.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// Two paths of one key name one file. Where their names differ (only in
// letter case, on a file system that takes such names for one), the plan
// meant two files, and writing the later over the earlier would lose one.
void RefuseNamesOfOneFile(const std::string& earlier,
                          const std::string& later) {
  if (SitePath(earlier).Name() == SitePath(later).Name()) return;
  throw Refusal("refusing to write '" + ShownPath(earlier) + "' and '" +
                ShownPath(later) +
                "': their names differ only in letter case, and the file "
                "system they lie on takes them for one file");
}

}  // namespace

void ConversionPlan::Add(PlannedFile file) {
  const auto [key, isNew] = keys_.Insert(SitePath(file.path).Key());
  if (isNew) {
    lastOfKey_.push_back(files_.size());
  } else {
    lastOfKey_[key] = files_.size();
  }
  files_.push_back(std::move(file));
}

void ConversionPlan::AddBytes(std::string path, std::string bytes) {
  PlannedFile file;
  file.path = std::move(path);
  file.bytes = std::move(bytes);
  Add(std::move(file));
}

void ConversionPlan::AddLater(std::string path,
                              std::shared_future<std::string> bytes) {
  PlannedFile file;
  file.path = std::move(path);
  file.source = Source::kLater;
  file.later = std::move(bytes);
  Add(std::move(file));
}

void ConversionPlan::AddPages(std::shared_ptr<const PageMaker> maker,
                              const std::string& folder) {
  assert(!pages_ && "a plan holds the pages of one split");
  pages_ = std::move(maker);
  const PageSplit& split = pages_->split();
  const SitePath pagesFolder(folder);
  files_.reserve(files_.size() + split.PageCount());
  lastOfKey_.reserve(lastOfKey_.size() + split.PageCount());
  for (std::size_t page = 0; page < split.PageCount(); ++page) {
    PlannedFile file;
    file.path = pagesFolder.Join(split.PageFile(page)).text();
    file.source = Source::kPage;
    file.page = page;
    Add(std::move(file));
  }
}

void ConversionPlan::AddCopy(std::string path, std::string copyOf) {
  assert(Plans(copyOf) && "a copy takes what the plan has put at its source");
  PlannedFile file;
  file.path = std::move(path);
  file.source = Source::kCopy;
  file.copyOf = std::move(copyOf);
  Add(std::move(file));
}

bool ConversionPlan::Plans(const std::string& path) const {
  return keys_.Contains(SitePath(path).Key());
}

bool ConversionPlan::IsCopy(const std::string& path) const {
  const std::size_t key = keys_.Find(SitePath(path).Key());
  return key != KeySet::kAbsent &&
         files_[lastOfKey_[key]].source == Source::kCopy;
}

std::size_t ConversionPlan::PageCount() const {
  return pages_ ? pages_->split().PageCount() : 0;
}

bool ConversionPlan::ContentUnchanged() const {
  return !pages_ || pages_->split().ContentUnchanged();
}

std::size_t ConversionPlan::FileCount() const { return keys_.size(); }

WriteList ConversionPlan::ListWrites(const PathKeyFunction& keyOf) const {
  constexpr std::size_t kNothing = static_cast<std::size_t>(-1);
  const std::size_t count = files_.size();
  // For each file, the planned file whose bytes it takes (a copy takes its
  // source's as they stand at its place in the order), and for each path the
  // last file planned for it.
  std::vector<std::size_t> origin(count, kNothing);
  // The keys met so far, each numbered, with the last file planned for it;
  // and each file's key number.
  KeySet keys;
  std::vector<std::size_t> latest;
  std::vector<std::size_t> keyOfFile(count);
  for (std::size_t i = 0; i < count; ++i) {
    const PlannedFile& file = files_[i];
    const std::string pathKey = keyOf(file.path);
    if (file.source == Source::kCopy) {
      const std::size_t source = keys.Find(keyOf(file.copyOf));
      if (source != KeySet::kAbsent) origin[i] = origin[latest[source]];
    } else {
      origin[i] = i;
    }
    const auto [key, isNew] = keys.Insert(pathKey);
    if (isNew) {
      latest.push_back(i);
    } else {
      RefuseNamesOfOneFile(files_[latest[key]].path, file.path);
      latest[key] = i;
    }
    keyOfFile[i] = key;
  }
  WriteList writes;
  for (std::size_t i = 0; i < count; ++i) {
    if (latest[keyOfFile[i]] != i || origin[i] == kNothing) continue;
    writes.writes_.push_back({i, origin[i]});
  }
  return writes;
}

void ConversionPlan::WriteTo(const WriteList& writes, SiteWriter& writer,
                             std::size_t threads) const {
  ForEachPlace(writes.size(), threads, [&](std::size_t place) {
    const WriteList::Write& write = writes.writes_[place];
    const PlannedFile& from = files_[write.origin];
    const std::string& path = files_[write.file].path;
    if (from.source == Source::kPage) {
      writer.WriteFile(place, path, pages_->MakePage(from.page));
    } else if (from.source == Source::kLater) {
      writer.WriteFile(place, path, from.later.get());
    } else {
      writer.WriteFile(place, path, from.bytes);
    }
  });
}

void ConversionPlan::WriteTo(SiteWriter& writer,
                             const PathKeyFunction& keyOf) const {
  WriteTo(ListWrites(keyOf), writer);
}

}  // namespace quillery
