// Control binding of the progress dialog; see progress_dialog.h.
#include "window/progress_dialog.h"

#include "window/resources.h"

namespace quillery {

void CProgressDialog::DoDataExchange() {
  convertingLabel_ = BindControl<CStatic>(kIdcConvertingLabel);
  itemLabel_ = BindControl<CStatic>(kIdcItemLabel);
  progressBar_ = BindControl<CProgressCtrl>(kIdcProgressBar);
}

}  // namespace quillery
