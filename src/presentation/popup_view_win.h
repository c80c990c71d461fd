#pragma once
// The popup form with all its controls at their design-time settings: the nine frame
// tiles, the icon, the logo, the measuring aid ImgCheck, four labels and two buttons.
// FrmMain owns one and runs the skin, layout, region and placement on it per message.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/msg_record.h"
#include "platform/handles_win.h"
#include "platform/ui/dpi_win.h"
#include "platform/ui/form_win.h"
#include "platform/ui/screen_win.h"
#include "platform/xml/dom.h"
#include "presentation/layout.h"
#include "presentation/popup_button_win.h"

namespace notify {

// The window calls that shape and place the popup, replaceable so tests can make them fail
// and can stand in for monitors and scales the test machine does not have.
struct WindowShapeCalls {
  HRGN(WINAPI* createRoundRectRgn)(int, int, int, int, int, int) = ::CreateRoundRectRgn;
  int(WINAPI* setWindowRgn)(HWND, HRGN, BOOL) = ::SetWindowRgn;
  BOOL(WINAPI* setWindowPos)(HWND, HWND, int, int, int, int, UINT) = ::SetWindowPos;
  ui::ScreenMetrics (*screenMetrics)() noexcept = ui::QueryScreenMetrics;
  int (*monitorDpi)(const Edges& monitor) noexcept = ui::MonitorDpi;
  ui::MonitorArea (*monitorOf)(HWND window) noexcept = ui::MonitorOfWindow;
};

class PopupView final : private ui::AccessibleContent {
 public:
  // Creates the hidden form. `makeButton` makes Cmd_Close ("X", 31 x 21) and Cmd_Confirm
  // (27 px high). Throws RuntimeError when a window cannot be created.
  explicit PopupView(const PopupButtonFactory& makeButton = CreateUc04Button);
  ~PopupView() override;
  PopupView(const PopupView&) = delete;
  PopupView& operator=(const PopupView&) = delete;

  ui::Form& Form() { return form_; }
  const ui::Form& Form() const { return form_; }
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
  // The record's logo when it names another file than the one on the form; a missing or
  // unreadable file keeps the logo that is there.
  void LoadLogo(const MsgRecord& record) noexcept;
  // Throws RuntimeError when the file cannot be read as a picture.
  void SetLogoFile(const std::wstring& path);
  // Ends quietly at the first negative size, keeping what was set before. A placed popup
  // is placed again on its monitor at its new size.
  void LayoutPopup(const MsgRecord& record) noexcept;
  // A region or placement that fails leaves the popup without that effect. The place is on
  // the given monitor, at that monitor's scale; the primary screen when it is unknown (all
  // zeros). From then on every change of scale or size places the popup again.
  void SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight) noexcept;
  void PlacePopup(const ui::MonitorArea& screen = {}) noexcept;
  void ShapeCalls(const WindowShapeCalls& calls) { calls_ = calls; }

  // The two buttons' Click events, as FrmMain handles them. Closing the form itself
  // (Alt+F4, Esc, WM_CLOSE) acts as the close button, visible or not.
  void OnClick(std::function<void()> closeClick, std::function<void()> confirmClick);

  void Show() { form_.Show(); }
  // Screen readers hear of the message now on screen.
  void Announce() const { form_.RaiseAlert(); }
  void Hide() { form_.Hide(); }
  // Destroys the buttons and the form; only Show, Hide and Handle may follow.
  void Unload();

  // The layout's view of the controls, and the way back.
  PopupModel Capture() const;
  void Apply(const PopupModel& model);

 private:
  void Layout(const MsgRecord& record);
  // popup_view_dpi_win.cpp
  void Rescale(int dpi);
  void PlaceAgain();

  // popup_view_accessible_win.cpp. What screen readers hear: the title, the body with its author and date lines, the buttons.
  std::wstring AccessibleName() const override;
  std::wstring AccessibleDescription() const override;
  std::vector<ui::AccessibleButton> AccessibleButtons() const override;
  void PressButton(std::size_t index) override;

  ui::Form form_;
  std::optional<std::int16_t> regionCorner_;  // the last round region's corner, to redo it
  std::array<ui::ImageControl*, kPopupImageCount> images_{};
  ui::ImageControl* imgCheck_ = nullptr;
  ui::Label* title_ = nullptr;
  ui::Label* content_ = nullptr;
  ui::Label* date_ = nullptr;
  ui::Label* author_ = nullptr;
  std::unique_ptr<PopupButton> close_;
  std::unique_ptr<PopupButton> confirm_;
  std::wstring logoPath_;  // the file shown by the logo control
  WindowShapeCalls calls_;
  std::optional<MsgRecord> laidOut_;  // to lay out again at another scale
  bool placed_ = false;
  bool placing_ = false;
};


// Shared procedures on any form: the region one pixel past the window's device size with
// corners at its scale; the place 96 twips in from the bottom right of the monitor (the
// primary screen when unknown) at that monitor's scale, topmost.
void SetRoundedRegion(ui::Form& form, std::int16_t ellipseWidth, std::int16_t ellipseHeight,
                      const WindowShapeCalls& calls = {}) noexcept;
// The region SetRoundedRegion gives the form, for those who draw the popup elsewhere; an
// empty owner when it cannot be made.
win::DeleteObjectOwner CreatePopupRegion(const ui::Form& form, std::int16_t ellipseWidth, std::int16_t ellipseHeight,
                                         const WindowShapeCalls& calls = {});
void PlacePopup(ui::Form& form, const WindowShapeCalls& calls = {}, const ui::MonitorArea& screen = {}) noexcept;
// The same place at the form's present scale. Throws RuntimeError.
void PlaceOnMonitor(ui::Form& form, const WindowShapeCalls& calls, const ui::MonitorArea& screen);

}  // namespace notify
