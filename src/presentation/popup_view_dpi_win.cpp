// The popup at a new scale: the parts the form does not scale itself.
#include "presentation/popup_view_win.h"

namespace notify {

// The form has resized itself; the buttons follow, and the region is made at the new size.
void PopupView::Rescale(int dpi) {
  if (close_) close_->ScaleTo(dpi);
  if (confirm_) confirm_->ScaleTo(dpi);
  if (regionCorner_) SetRoundedRegion(*regionCorner_, *regionCorner_);
}

}  // namespace notify
