// The files one conversion writes, planned in memory before the first is
// written. Each is given as bytes, as bytes still being made beside the
// writing (waited for when the file is written), as a page that is made only
// when it is written, or as a copy of what the plan puts at another path by
// then.
//
// The plan keeps the order in which the conversion defines its files. Where
// two of them name the same path (the main file bears a page's name, the
// contents frame page is the main file), the path ends up with the later one,
// and a copy takes what its source path holds at its place in that order.
// Each path is still written only once.
#ifndef QUILLERY_CONVERT_CONVERSION_PLAN_H_
#define QUILLERY_CONVERT_CONVERSION_PLAN_H_

#include <cstddef>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "convert/site_writer.h"
#include "dress/page_maker.h"
#include "text/key_set.h"
#include "text/site_path.h"

namespace quillery {

// The key under which two internal paths name the same file. The plan's own
// comparisons and the default take SitePath::Key(): "\site\sub/.\a.htm"
// and "\site\sub\a.htm" are one file.
using PathKeyFunction = std::function<std::string(const std::string& path)>;

// The files of a plan to write, in order (ConversionPlan::ListWrites).
class WriteList {
 public:
  [[nodiscard]] std::size_t size() const { return writes_.size(); }

 private:
  friend class ConversionPlan;
  struct Write {
    std::size_t file = 0;    // the planned file whose path is written
    std::size_t origin = 0;  // the planned file whose bytes it takes
  };
  std::vector<Write> writes_;
};

class ConversionPlan {
 public:
  void AddBytes(std::string path, std::string bytes);
  // Bytes being made meanwhile (MakeBeside): the files before this one are
  // written while they are made.
  void AddLater(std::string path, std::shared_future<std::string> bytes);
  // Every page of `maker`, in page order, each at folder + "\" + its file
  // name. A plan holds the pages of one split at most. The maker is shared,
  // so that what is made beside the writing may read its split too.
  void AddPages(std::shared_ptr<const PageMaker> maker,
                const std::string& folder);
  // A copy of what the plan has put at `copyOf` by this point.
  void AddCopy(std::string path, std::string copyOf);

  // True when some file of the plan so far has this path (SitePath::Key).
  [[nodiscard]] bool Plans(const std::string& path) const;
  // True when the file written at `path` is a copy of another file of the
  // plan (the last file planned for the path is an AddCopy).
  [[nodiscard]] bool IsCopy(const std::string& path) const;
  // The number of pages planned, and of the files written (a path named
  // twice is one file).
  [[nodiscard]] std::size_t PageCount() const;
  // False once the content page the pages are cut from changed since it was
  // read: what was made from it must not be committed.
  [[nodiscard]] bool ContentUnchanged() const;
  [[nodiscard]] std::size_t FileCount() const;

  // The files to write, fixed before the first is written: every path once,
  // in plan order, at the place of the last file planned for it, each with
  // the planned file whose bytes it takes. Paths are compared by `keyOf`,
  // called here for every path and never again. Two paths of one key whose
  // names differ (a key that folds letter case) are two files the disk
  // cannot hold apart: throws Refusal naming both.
  [[nodiscard]] WriteList ListWrites(const PathKeyFunction& keyOf) const;

  // Writes the listed files with the bytes the plan holds for them, each
  // with its place in the list. With more than one thread (`threads`, this
  // one among them) the files are taken in order but written side by side:
  // each thread makes the page it took and hands it to `writer` itself, so
  // `writer` is called from that many threads at once. Throws what the
  // writer threw, or what making a page threw, for the lowest place that
  // failed (ForEachPlace); every file before it is written then, and a few
  // after it may be.
  void WriteTo(const WriteList& writes, SiteWriter& writer,
               std::size_t threads = 1) const;
  // Both steps at once.
  void WriteTo(
      SiteWriter& writer,
      const PathKeyFunction& keyOf = [](const std::string& path) {
        return SitePath(path).Key();
      }) const;

 private:
  enum class Source { kBytes, kLater, kPage, kCopy };
  struct PlannedFile {
    std::string path;
    Source source = Source::kBytes;
    std::string bytes;     // kBytes
    std::shared_future<std::string> later;  // kLater
    std::size_t page = 0;  // kPage
    std::string copyOf;    // kCopy
  };

  void Add(PlannedFile file);

  std::vector<PlannedFile> files_;
  // SitePath::Key() of each path planned, and for each the last file
  // planned for it.
  KeySet keys_;
  std::vector<std::size_t> lastOfKey_;
  std::shared_ptr<const PageMaker> pages_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_CONVERSION_PLAN_H_
