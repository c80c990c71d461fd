#pragma once
// The popup form with all its controls at their design-time settings: the nine frame
// tiles, the icon, the logo, the measuring aid ImgCheck, four labels and two buttons.
// FrmMain owns one and runs the skin, layout, region and placement on it per message.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "catalogue/msg_record.h"
#include "platform/handles_win.h"
#include "platform/ui/form_win.h"
#include "platform/xml/dom.h"
#include "presentation/layout.h"
#include "presentation/popup_button_win.h"

namespace notify {

class PopupView {
 public:
  // Creates the hidden form. `makeButton` makes Cmd_Close ("X", 31 x 21) and Cmd_Confirm
  // (27 px high). Throws RuntimeError when a window cannot be created.
  explicit PopupView(const PopupButtonFactory& makeButton = CreateUc04Button);
  ~PopupView();
  PopupView(const PopupView&) = delete;
  PopupView& operator=(const PopupView&) = delete;

  ui::Form& Form() { return form_; }
  HWND Handle() const { return form_.Handle(); }

  ui::ImageControl& Image(PopupImage which) { return *images_[static_cast<std::size_t>(which)]; }
  ui::ImageControl& ImgCheck() { return *imgCheck_; }
  ui::Label& Lbl_Title() { return *title_; }
  ui::Label& Lbl_Content() { return *content_; }
  ui::Label& Lbl_Date() { return *date_; }
  ui::Label& Lbl_Author() { return *author_; }
  PopupButton& Cmd_Close() { return *close_; }
  PopupButton& Cmd_Confirm() { return *confirm_; }

  // Reads Style and Logo; pictures stay on the controls until a later style replaces them.
  void LoadSkinStyle(const MsgRecord& record, xml::DomDocument* document) noexcept;
  // Ends quietly at the first negative size, keeping what was set before.
  void LayoutPopup(const MsgRecord& record) noexcept;
  // Errors of these two reach the caller as RuntimeError.
  void SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight);
  void PlacePopup();

  // The two buttons' Click events, as FrmMain handles them.
  void OnClick(std::function<void()> closeClick, std::function<void()> confirmClick);

  void Show() { form_.Show(); }
  void Hide() { form_.Hide(); }
  // Destroys the buttons and the form; only Show, Hide and Handle may follow.
  void Unload();

  // The layout's view of the controls, and the way back.
  PopupModel Capture() const;
  void Apply(const PopupModel& model);

 private:
  ui::Form form_;
  std::array<ui::ImageControl*, kPopupImageCount> images_{};
  ui::ImageControl* imgCheck_ = nullptr;
  ui::Label* title_ = nullptr;
  ui::Label* content_ = nullptr;
  ui::Label* date_ = nullptr;
  ui::Label* author_ = nullptr;
  std::unique_ptr<PopupButton> close_;
  std::unique_ptr<PopupButton> confirm_;
};

// Shared procedures on any form: the region right/bottom from its twips size and the
// screen's twips per pixel; the place 96 twips in from the bottom right, topmost.
void SetRoundedRegion(ui::Form& form, std::int16_t ellipseWidth, std::int16_t ellipseHeight);
// The region SetRoundedRegion gives the form, for those who draw the popup elsewhere.
win::DeleteObjectOwner CreatePopupRegion(const ui::Form& form, std::int16_t ellipseWidth, std::int16_t ellipseHeight);
void PlacePopup(ui::Form& form);

}  // namespace notify
