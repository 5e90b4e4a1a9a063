// CQuilleryDoc: the document of the main window. It holds no data: the
// conversion works on files named on the command line, not on a document.
#ifndef QUILLERY_WINDOW_DOCUMENT_H_
#define QUILLERY_WINDOW_DOCUMENT_H_

#include <string>

namespace quillery {

class CQuilleryDoc {
 public:
  // Starts an empty document; always succeeds.
  bool OnNewDocument();
  // Opens the document at `internalPath`: true when the file can be read,
  // false otherwise. Nothing of it is kept.
  bool OnOpenDocument(const std::string& internalPath);
};

}  // namespace quillery

#endif  // QUILLERY_WINDOW_DOCUMENT_H_
