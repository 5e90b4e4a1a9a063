// CQuilleryView: the browser view that fills the main frame. The model records
// where the view navigates; it loads nothing.
#ifndef QUILLERY_WINDOW_VIEW_H_
#define QUILLERY_WINDOW_VIEW_H_

#include <string>

#include "window/widgets.h"

namespace quillery {

class CQuilleryView : public CWnd {
 public:
  // Creates the view as the visible first pane of `frame`.
  void Create(const CWnd* frame);
  // Navigates to the start page "initial.htm" in `programFolder` (internal
  // form, no trailing backslash), whatever the command line says.
  void OnInitialUpdate(const std::string& programFolder);
  // The page the view was last sent to; empty before OnInitialUpdate.
  [[nodiscard]] const std::string& navigationTarget() const {
    return navigationTarget_;
  }

 private:
  std::string navigationTarget_;
};

}  // namespace quillery

#endif  // QUILLERY_WINDOW_VIEW_H_
