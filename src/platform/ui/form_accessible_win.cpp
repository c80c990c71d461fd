// The form's hook-up to screen readers: its accessible object, the presses readers ask
// for, the alert, and the object's disconnection when the form goes.
#include "platform/error.h"
#include "platform/ui/accessible_win.h"
#include "platform/ui/form_win.h"

namespace notify::ui {

void Form::RaiseAlert() const {
  if (window_) ::NotifyWinEvent(EVENT_SYSTEM_ALERT, window_.get(), OBJID_CLIENT, CHILDID_SELF);
}

void Form::DisconnectAccessible() {
  // Readers may still hold the form's accessible object; from now on it is disconnected.
  accessible_->content = nullptr;
  accessible_->window = nullptr;
}

bool Form::AccessibleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_GETOBJECT) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT) || accessible_->content == nullptr) return false;
    result = AnswerGetObject(accessible_, wParam);
    return true;
  }
  if (message == kAccessiblePressMessage) {
    TrapVoid([&] {
      if (accessible_->content != nullptr) accessible_->content->PressButton(wParam);
    });
    result = 0;
    return true;
  }
  return false;
}

}  // namespace notify::ui
