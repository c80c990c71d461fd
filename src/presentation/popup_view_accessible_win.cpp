// What screen readers hear of the popup: the title, the body with its author and date
// lines, and the buttons they may press.
#include "controls/button/uc04_geometry.h"
#include "presentation/popup_view_win.h"

namespace notify {

std::wstring PopupView::AccessibleName() const { return title_->Text(); }

std::wstring PopupView::AccessibleDescription() const {
  std::wstring text = content_->Text();
  for (const ui::Label* line : {author_, date_}) {
    if (!line->Visible() || line->Text().empty()) continue;
    if (!text.empty()) text += L"\r\n";
    text += line->Text();
  }
  return text;
}

std::vector<ui::AccessibleButton> PopupView::AccessibleButtons() const {
  std::vector<ui::AccessibleButton> buttons;
  for (const PopupButton* b : {close_.get(), confirm_.get()}) {
    if (b == nullptr) continue;
    buttons.push_back({b->Handle(), button::SpokenCaption(b->Caption()), button::AccessKeyShortcut(b->Caption())});
  }
  return buttons;
}

void PopupView::PressButton(std::size_t index) {
  PopupButton* b = index == 0 ? close_.get() : index == 1 ? confirm_.get() : nullptr;
  if (b != nullptr && b->Visible()) b->PerformClick();
}

}  // namespace notify
