// The browser view's creation and start page; see view.h.
#include "window/view.h"

namespace quillery {

void CQuilleryView::Create(const CWnd* frame) {
  MarkCreated(frame, kWsChild | kWsVisible, kAfxIdwPaneFirst);
}

void CQuilleryView::OnInitialUpdate(const std::string& programFolder) {
  navigationTarget_ = programFolder + "\\initial.htm";
}

}  // namespace quillery
