// Re-pointing of links into a document that has been cut into pages: the
// document's own in-page links ("<a href="#x">") and the contents links to
// Word's "_Toc" anchors get the file name of the page that holds the anchor.
//
// An in-page link is an occurrence of href="# at a position h > 0 such that a
// "<" followed by a lower-case "a" starts at one of the positions h-1 down to
// h-49 (not at position 0). Its target runs from after the "#" up to the next
// double quote. The scan for the next link goes on at h + 5, whether or not h
// was a link, and a text that begins with href="# holds no link at all.
// "<A HREF="#x">" is no link; "<a class=x href="#y">" is one.
#ifndef QUILLERY_SPLIT_LINK_REWRITER_H_
#define QUILLERY_SPLIT_LINK_REWRITER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/key_set.h"

namespace quillery {

// One "_Toc" occurrence of a contents text and the target it is to get.
struct TocLink {
  // The target that replaces `oldTarget`: page file name + "#" + anchorName;
  // empty until the page holding the anchor is known.
  std::string newTarget;
  // The bookmark name: from "_Toc" up to the next double quote.
  std::string anchorName;
  // The whole attribute value as found, between its double quotes.
  std::string oldTarget;
  // True when `newTarget` came from a page that merely mentions the anchor
  // name, so that a later page that holds the anchor itself may replace it.
  bool fromMention = false;
};

// Where a text names anchors and mentions contents bookmarks: the position
// of every name=" and of every "_Toc" in it, in text order. Found once for a
// whole content text, they let each of its pages be looked at without
// scanning the page again.
struct AnchorMarks {
  std::vector<std::size_t> nameOpens;
  std::vector<std::size_t> tocNames;
};
[[nodiscard]] AnchorMarks FindAnchorMarks(std::string_view text);

// The in-page link targets of a content text and the page that holds the
// anchor of each.
class AnchorPageTable {
 public:
  // Replaces the link targets by the target of every link of `text`, in
  // text order, duplicates kept, and forgets the anchor pages. A link with
  // no double quote after its "#" gets the target "".
  void CollectLinkTargets(std::string_view text);

  // Notes `pageFile` for every link target X whose anchor the slice holds,
  // that is, whose name="X" (double quotes only) occurs anywhere in the
  // slice; an anchor written name='X' or name=X is not found. Offered the
  // pages in page order, an anchor on several pages ends up with the last.
  void RecordAnchorPage(std::string_view pageSlice,
                        const std::string& pageFile);
  // The same for the slice of `text` from `from` up to `to`, from <= to <=
  // text.size(), where `marks` are FindAnchorMarks(text).
  void RecordAnchorPage(std::string_view text, const AnchorMarks& marks,
                        std::size_t from, std::size_t to,
                        const std::string& pageFile);

  // The page noted for `target`; "" when no page holds its anchor or no
  // link has that target.
  [[nodiscard]] const std::string& PageOfAnchor(
      const std::string& target) const;

  // False when no link target was collected.
  [[nodiscard]] bool HasLinkTargets() const;

  // A target per link, and the page of its anchor ("" for none).
  [[nodiscard]] std::vector<std::string> linkTargets() const;
  [[nodiscard]] std::vector<std::string> anchorPages() const;

 private:
  static constexpr std::size_t kNoPage = static_cast<std::size_t>(-1);

  // The page noted for the target numbered `id` (KeySet::kAbsent for none);
  // "" when no page holds its anchor.
  [[nodiscard]] const std::string& PageOfTarget(std::size_t id) const;

  // The distinct targets, numbered in the order of their first link, and
  // the number of the target of each link.
  KeySet targets_;
  std::vector<std::size_t> linkTargetIds_;
  // For each distinct target, the index in `pageFiles_` of the page last
  // noted for it (kNoPage for none); each page noted is kept once.
  std::vector<std::size_t> targetPages_;
  std::vector<std::string> pageFiles_;
  std::string nameValue_;
};

// Returns `page` with every in-page link re-pointed whose anchor is on
// another page: "#x" becomes T + "#x", where T = table.PageOfAnchor(x) is not
// "" and differs from `pageFile`. A link whose anchor is on no page, or on
// this page, and a link with no closing double quote stay as they are. The
// text is scanned as it changes: after a link is re-pointed the scan goes on
// 5 bytes after its href (so a marker formed by the end of its target and the
// bytes after it, as in href="#ahref="#b", is still found), and the 49-byte
// look-back for "<a" of a later link sees the page names already inserted. An
// inserted page name is never scanned for links.
[[nodiscard]] std::string RewritePageLinks(std::string page,
                                           const std::string& pageFile,
                                           const AnchorPageTable& table);

// Fills the `newTarget` of contents links with the page that holds their
// anchors, offered the page slices one by one in page order. The resolver
// keeps the records until they are taken back.
class TocLinkResolver {
 public:
  // Indexes the anchor names of the records once. A record whose anchorName
  // is "" is never resolved, nor one whose name does not begin with "_Toc" or
  // holds a double quote (the contents links hold no such name).
  explicit TocLinkResolver(std::vector<TocLink> tocLinks);

  // Gives records the target pageFile + "#" + anchorName:
  // - when the slice holds the anchor, name="anchorName" with double quotes,
  //   unless an earlier slice held it (the first page holding the anchor
  //   wins), and unless the record came with a newTarget from a holding
  //   page (fromMention false);
  // - when the slice only mentions anchorName, followed by a byte that is no
  //   ASCII letter, digit or underscore or by the end of the slice, only if
  //   the record has no newTarget yet. Only the byte after the name counts:
  //   "_Toc12" does not mention "_Toc1", "x_Toc1." does.
  // `fromMention` is set for a target from a mere mention, so that a later
  // page that holds the anchor replaces it, and cleared for one from a page
  // that holds the anchor.
  void ResolveTocLinks(std::string_view pageSlice, const std::string& pageFile);
  // The same for the slice of `text` from `from` up to `to`, from <= to <=
  // text.size(), where `marks` are FindAnchorMarks(text).
  void ResolveTocLinks(std::string_view text, const AnchorMarks& marks,
                       std::size_t from, std::size_t to,
                       const std::string& pageFile);

  // The records as resolved so far, in their order.
  [[nodiscard]] const std::vector<TocLink>& tocLinks() const {
    return tocLinks_;
  }
  // Hands the records back; the resolver is empty afterwards.
  [[nodiscard]] std::vector<TocLink> TakeTocLinks() {
    return std::move(tocLinks_);
  }

 private:
  static constexpr std::size_t kNoName = static_cast<std::size_t>(-1);

  // A node of the tree of anchor names: the path from the root spells a
  // prefix of one or more names.
  struct NameNode {
    std::vector<std::pair<char, std::size_t>> children;
    std::size_t nameId = kNoName;
  };

  // One distinct anchor name with the records that may still change.
  struct AnchorName {
    std::string name;
    // Records without a newTarget; a mention or a holding slice fills them.
    std::vector<std::size_t> unresolved;
    // Records a holding slice may still set: the unresolved ones and those
    // resolved by a mere mention.
    std::vector<std::size_t> replaceable;
  };

  std::size_t AddName(const std::string& name);
  [[nodiscard]] std::size_t ChildOf(std::size_t node, char byte) const;
  [[nodiscard]] std::size_t NameHeldAt(std::string_view slice,
                                       std::size_t valueAt) const;
  // Notes the names mentioned at `at`, where the slice holds "_Toc".
  void NoteMentionsAt(std::string_view slice, std::size_t at);
  void Resolve(std::size_t nameId, const std::string& pageFile, bool held);

  std::vector<TocLink> tocLinks_;
  std::vector<NameNode> nodes_;
  // The node of "_Toc", with which every name begins (the root while there
  // is no name).
  std::size_t tocNode_ = 0;
  std::vector<AnchorName> names_;
  std::vector<std::size_t> held_;
  std::vector<std::size_t> mentioned_;
};

}  // namespace quillery

#endif  // QUILLERY_SPLIT_LINK_REWRITER_H_
