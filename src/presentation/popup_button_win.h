#pragma once
// What the popup needs of a skinned button as its child window: a place and size in the
// popup's pixels, visibility, caption, colours, the face strip, and its Click event.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/form_win.h"
#include "platform/ui/picture_win.h"

namespace notify {

class PopupButton {
 public:
  virtual ~PopupButton() = default;
  virtual HWND Handle() const = 0;
  // 96-DPI pixels inside the popup; the window itself is scaled to the popup's DPI.
  virtual Rect Bounds() const = 0;
  virtual void Move(const Rect& bounds) = 0;
  // Draws and places the button at a new DPI, keeping its 96-DPI bounds.
  virtual void ScaleTo(int dpi) = 0;
  virtual bool Visible() const = 0;
  virtual void Visible(bool value) = 0;
  virtual std::wstring Caption() const = 0;
  virtual void Caption(const std::wstring& vNewCaption) = 0;
  // 0x00BBGGRR.
  virtual std::int32_t ForeColor() const = 0;
  virtual void ForeColor(std::int32_t vNewColor) = 0;
  virtual std::int32_t PColor() const = 0;
  virtual void PColor(std::int32_t vNewColor) = 0;
  virtual ui::PicturePtr BtnPic() const = 0;
  virtual void BtnPic(ui::PicturePtr NewPic) = 0;
  virtual void OnClick(std::function<void()> handler) = 0;
  // Raises Click as a press of the button does.
  virtual void PerformClick() = 0;
};

// Makes one of the popup's buttons as a hidden child of `parent`, with its design-time
// name, caption and size (pixels).
using PopupButtonFactory = std::function<std::unique_ptr<PopupButton>(
    HWND parent, const std::wstring& name, const std::wstring& caption, int width, int height)>;

// The skinned button UC04 as the popup's child: "Cmd_Close" and "Cmd_Confirm" come
// with their design-time properties (caption, font, extent); `caption`, `width` and
// `height` then only matter for another name.
std::unique_ptr<PopupButton> CreateUc04Button(HWND parent, const std::wstring& name, const std::wstring& caption,
                                              int width, int height);

}  // namespace notify
