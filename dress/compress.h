// Compression for the files a site shares between its pages: a raw DEFLATE
// stream (RFC 1951) and base64 (RFC 4648), so that a large text travels in a
// script as a short string that the site's script inflates.
#ifndef QUILLERY_DRESS_COMPRESS_H_
#define QUILLERY_DRESS_COMPRESS_H_

#include <string>
#include <string_view>

namespace quillery {

// `bytes` as one final DEFLATE block with the fixed Huffman codes: repeats
// found by LZ77 over a 32 KB window, each position's earlier occurrences
// looked up in a hash chain that is walked a bounded number of steps, so
// the time grows linearly with the input. The empty input gives the two
// bytes of an empty block.
[[nodiscard]] std::string Deflate(std::string_view bytes);

// `bytes` in base64 with the standard alphabet and "=" padding.
[[nodiscard]] std::string Base64(std::string_view bytes);

}  // namespace quillery

#endif  // QUILLERY_DRESS_COMPRESS_H_
