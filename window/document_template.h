// CSingleDocTemplate: builds the application's one document with its main
// frame and browser view, as the new-document and open commands do at start-up.
// Example: CSingleDocTemplate(kIdrMainFrame, ProgramFolder())
//              .OpenDocumentFile("", /*makeVisible=*/true);
#ifndef QUILLERY_WINDOW_DOCUMENT_TEMPLATE_H_
#define QUILLERY_WINDOW_DOCUMENT_TEMPLATE_H_

#include <memory>
#include <string>

#include "window/document.h"
#include "window/main_frame.h"
#include "window/view.h"

namespace quillery {

class CSingleDocTemplate {
 public:
  // `resourceId` names the frame's title and toolbar resources; the view's
  // start page lies in `programFolder` (internal form, no trailing backslash).
  CSingleDocTemplate(int resourceId, std::string programFolder);

  // An empty `path` starts a new document; otherwise the document at `path`
  // (as typed, or in internal form) is opened. Then the frame is created, the
  // view created in it and sent to the start page, and the frame shown when
  // `makeVisible` is set. Returns false when the document cannot be opened or
  // the frame cannot be created; the template then keeps what an earlier call
  // made (nothing on a first call).
  bool OpenDocumentFile(const std::string& path, bool makeVisible);

  // What the last successful OpenDocumentFile made; null before one.
  [[nodiscard]] CQuilleryDoc* document() const { return document_.get(); }
  [[nodiscard]] CMainFrame* frame() const { return frame_.get(); }
  [[nodiscard]] CQuilleryView* view() const { return view_.get(); }

 private:
  int resourceId_;
  std::string programFolder_;
  std::unique_ptr<CQuilleryDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<CQuilleryView> view_;
};

}  // namespace quillery

#endif  // QUILLERY_WINDOW_DOCUMENT_TEMPLATE_H_
