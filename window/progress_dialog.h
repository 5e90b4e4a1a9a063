// CProgressDialog: the frame's hidden "Progress" dialog (resource 133). A run
// never shows it, so its labels and bar keep the values they are created with.
#ifndef QUILLERY_WINDOW_PROGRESS_DIALOG_H_
#define QUILLERY_WINDOW_PROGRESS_DIALOG_H_

#include "window/widgets.h"

namespace quillery {

class CProgressDialog : public CDialog {
 public:
  // The bound controls; null until the dialog is created.
  [[nodiscard]] CStatic* convertingLabel() const { return convertingLabel_; }
  [[nodiscard]] CStatic* itemLabel() const { return itemLabel_; }
  [[nodiscard]] CProgressCtrl* progressBar() const { return progressBar_; }

 protected:
  void DoDataExchange() override;

 private:
  CStatic* convertingLabel_ = nullptr;
  CStatic* itemLabel_ = nullptr;
  CProgressCtrl* progressBar_ = nullptr;
};

}  // namespace quillery

#endif  // QUILLERY_WINDOW_PROGRESS_DIALOG_H_
