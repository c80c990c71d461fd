#pragma once
// What FrmMain needs of its window: the popup form with its skin, layout, region and
// placement, and the two buttons' Click events.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "catalogue/msg_record.h"
#include "platform/ui/screen.h"
#include "platform/xml/dom.h"

namespace notify {

class PopupWindow {
 public:
  virtual ~PopupWindow() = default;
  virtual HWND Handle() const = 0;
  // The DPI the popup is drawn at.
  virtual int Dpi() const = 0;
  virtual void LoadSkinStyle(const MsgRecord& record, xml::DomDocument* doc) = 0;
  virtual void LoadLogo(const MsgRecord& record) = 0;
  virtual void LayoutPopup(const MsgRecord& record) = 0;
  virtual void SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight) = 0;
  virtual void PlacePopup(const ui::MonitorArea& screen) = 0;
  virtual void Show() = 0;
  // Screen readers hear that a message appeared.
  virtual void Announce() = 0;
  virtual void Hide() = 0;
  virtual void Unload() = 0;
  // closeClick also runs when the form itself is closed (Alt+F4, Esc, WM_CLOSE).
  virtual void OnClick(std::function<void()> closeClick, std::function<void()> confirmClick) = 0;
  virtual void OnEndSession(std::function<void()> handler) = 0;
};

// The popup form, created hidden. Throws RuntimeError when the window cannot be made.
std::unique_ptr<PopupWindow> CreatePopupWindow();

}  // namespace notify
