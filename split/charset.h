// The tag that declares a document's character set, lifted out of the content
// page and carried into page templates, which lose the document's own head.
#ifndef QUILLERY_SPLIT_CHARSET_H_
#define QUILLERY_SPLIT_CHARSET_H_

#include <string>

namespace quillery {

// The whole markup tag, from its "<" to its ">" inclusive, that holds the
// first "charset=" of `text` (lower case only; "CHARSET=" is not looked for).
// The "<" is the nearest one before "charset=" and the ">" the first one after
// it. Returns "" when there is no "charset=", no ">" after it, or no "<"
// before it other than one at byte 0.
//
//   ExtractCharsetTag("<html><meta content=\"text/html; charset=utf-8\">")
//       == "<meta content=\"text/html; charset=utf-8\">"
[[nodiscard]] std::string ExtractCharsetTag(std::string_view text);

// Returns `text` with `tag` inserted directly before its first "</head>" (in
// any letter case). The text comes back unchanged when the tag is "", when it
// has no "</head>", or when it already holds "charset=" in any letter case
// anywhere, even in body text or a comment; so inserting the same tag twice
// inserts it once.
[[nodiscard]] std::string InsertCharsetTag(std::string text,
                                           const std::string& tag);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_CHARSET_H_
