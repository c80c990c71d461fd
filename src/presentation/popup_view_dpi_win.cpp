// The popup at a new scale: the parts the form does not scale itself, and its place.
#include "platform/error.h"
#include "presentation/popup_view_win.h"

namespace notify {

// The form has resized itself: the buttons follow, the text is measured and laid out again
// at the new scale, the region is made at the new size, and the popup placed again.
void PopupView::Rescale(int dpi) {
  if (close_) close_->ScaleTo(dpi);
  if (confirm_) confirm_->ScaleTo(dpi);
  if (laidOut_) TrapVoid([this] { Layout(*laidOut_); });
  if (regionCorner_) SetRoundedRegion(*regionCorner_, *regionCorner_);
  PlaceAgain();
}

// On the monitor that holds the popup now, which after a change of scale may be another.
void PopupView::PlaceAgain() {
  if (!placed_ || placing_ || !form_.Handle()) return;
  TrapVoid([this] { PlaceOnMonitor(form_, calls_, calls_.monitorOf(form_.Handle())); });
}

}  // namespace notify
