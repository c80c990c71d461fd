#pragma once
// A borderless top-level form with windowless image and label controls, painted into one
// double-buffered surface: images in creation order, then labels. Twips: the form's own
// position and size. Pixels: everything inside it (the client area is the whole window),
// in 96-DPI pixels; the form scales them to the monitor's DPI when it sizes and paints.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles_win.h"
#include "platform/ui/accessible_win.h"
#include "platform/ui/geometry.h"
#include "platform/ui/picture_win.h"

namespace notify::ui {

// Text extent in `font` on the screen's DC, pixels: one line (wrapWidth < 0) or word-wrapped.
SIZE MeasureLabelText(HFONT font, const std::wstring& text, int wrapWidth);
// The labels' font at 96 DPI, owned by the caller; measured with no window at all.
HFONT CreateLabelFont();

class Form;

// Shared by the windowless controls: a place, a visibility, a way to ask for a repaint.
class WindowlessControl {
 public:
  WindowlessControl(const WindowlessControl&) = delete;
  WindowlessControl& operator=(const WindowlessControl&) = delete;
  virtual ~WindowlessControl() = default;

  const Rect& Bounds() const { return bounds_; }
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  void Left(int value);
  void Top(int value);
  // Negative extents are refused with RuntimeError.
  virtual void Width(int value);
  void Height(int value);
  void Move(const Rect& bounds);
  bool Visible() const { return visible_; }
  void Visible(bool value);

 protected:
  explicit WindowlessControl(Form& owner) : owner_(owner) {}
  void Changed();
  void SetBounds(const Rect& bounds);
  Form& owner_;

 private:
  Rect bounds_;
  bool visible_ = true;
};

class ImageControl final : public WindowlessControl {
 public:
  // A natural-size control takes its picture's size when the picture is set; a stretching
  // control keeps its size and scales the picture into it.
  ImageControl(Form& owner, bool stretch) : WindowlessControl(owner), stretch_(stretch) {}

  const PicturePtr& Picture() const { return picture_; }
  void Picture(PicturePtr picture);
  void ClearPicture() { Picture(nullptr); }
  bool Stretch() const { return stretch_; }
  void Stretch(bool value);
  void Paint(HDC dc, int dpi) const;

 private:
  PicturePtr picture_;
  bool stretch_;
};

enum class LabelSizing {
  OneLine,      // width and height follow the text
  WrapToWidth,  // the width is given; the height follows the wrapped text
};

class Label final : public WindowlessControl {
 public:
  Label(Form& owner, LabelSizing sizing) : WindowlessControl(owner), sizing_(sizing) { Resize(); }

  const std::wstring& Text() const { return text_; }
  void Text(const std::wstring& value);
  // 0x00BBGGRR.
  std::int32_t ForeColor() const { return foreColor_; }
  void ForeColor(std::int32_t value);
  bool Centred() const { return centred_; }
  void Centred(bool value);
  LabelSizing Sizing() const { return sizing_; }
  // A wrapping label's height follows its new width.
  void Width(int value) override;
  using WindowlessControl::Width;
  void Paint(HDC dc, HFONT font, int dpi) const;

 private:
  friend class Form;  // measures its labels again at a new scale
  void Resize();
  std::wstring text_;
  std::int32_t foreColor_ = 0;
  bool centred_ = false;
  LabelSizing sizing_;
};

class Form {
 public:
  // Creates the window hidden. Throws RuntimeError when the window cannot be created.
  Form();
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND Handle() const { return window_.get(); }

  // Twips. The position goes through the screen's real twips per pixel; the size becomes
  // whole 96-DPI pixels (15 twips each, halves to even) and then device pixels, so a
  // value reads back as the nearest whole pixel.
  float LeftTwips() const;
  float TopTwips() const;
  float WidthTwips() const;
  float HeightTwips() const;
  void MoveTwips(float left, float top, float width, float height);
  void WidthTwips(float value);
  void HeightTwips(float value);
  float TwipsPerPixelX() const { return twipsPerPixelX_; }
  float TwipsPerPixelY() const { return twipsPerPixelY_; }

  // Device pixels.
  int ClientWidth() const { return size_.cx; }
  int ClientHeight() const { return size_.cy; }

  // The DPI the form is drawn at: its monitor's, 96 unless the system scales.
  int Dpi() const { return dpi_; }
  // Draws at `dpi` from now on: the window keeps its top-left corner and takes its size at
  // that scale, the labels are measured again, and the handler hears of every change.
  void SetDpi(int dpi);
  void OnDpiChanged(std::function<void(int dpi)> handler) { dpiChanged_ = std::move(handler); }
  // Moves the window's top-left corner to `at`, screen pixels, keeping its size.
  void MoveToPixels(POINT at);

  // 0x00BBGGRR; shows wherever no control covers the form.
  std::int32_t BackColor() const { return backColor_; }
  void BackColor(std::int32_t value);

  // Not modal and without taking the activation.
  void Show();
  void Hide();
  bool Visible() const;
  // Destroys the window; the form's members then do nothing.
  void Unload();

  ImageControl& AddImage(bool stretch);
  Label& AddLabel(LabelSizing sizing);

  // The label font: the system's message font at 96 DPI.
  HFONT LabelFont() const { return static_cast<HFONT>(font_.get()); }
  // Text extent in 96-DPI pixels, one line (wrapWidth < 0) or word-wrapped, measured with
  // the font that draws it at the form's DPI and rounded up, so the text fits its box.
  SIZE MeasureText(const std::wstring& text, int wrapWidth) const;

  // Paints the whole surface (background, images, labels) into dc at (0, 0), device pixels.
  void Render(HDC dc) const;
  void Invalidate() const;
  // Draws what changed into the kept surface now, so that the next paint is one copy:
  // for a form about to be shown, whose first paint should cost nothing.
  void RenderAhead();

  // Alt+letter typed while the form itself has the focus: the host's access keys. The
  // handler returns true when a control took the key.
  void OnAccessKey(std::function<bool(wchar_t key)> handler) { accessKey_ = std::move(handler); }
  // A request to close the form (Alt+F4, Esc while it has the focus, any WM_CLOSE). The
  // window is never destroyed behind its owner's back; without a handler it is ignored.
  void OnClose(std::function<void()> handler) { close_ = std::move(handler); }
  // The user's session is ending (WM_ENDSESSION): the last chance to end in order.
  void OnEndSession(std::function<void()> handler) { endSession_ = std::move(handler); }

  // What screen readers are told about the form (see accessible_win.h); null for nothing.
  void Accessible(AccessibleContent* content) { accessible_->content = content; }
  // Tells screen readers that the form now shows something that wants attention.
  void RaiseAlert() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void Paint();
  // False when there is nothing to draw.
  bool RenderKeptSurface();
  void MovePixels(POINT at, SIZE logical);
  // form_dpi_win.cpp
  bool DpiMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // form_accessible_win.cpp
  bool AccessibleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void DisconnectAccessible();

  win::DestroyWindowOwner window_;
  LOGFONTW baseFont_{};  // the message font at 96 DPI
  win::DeleteObjectOwner font_;
  win::DeleteObjectOwner paintFont_;
  int dpi_ = 96;
  std::function<void(int)> dpiChanged_;
  float twipsPerPixelX_ = 15;
  float twipsPerPixelY_ = 15;
  POINT at_{};
  SIZE logical_{};  // 96-DPI pixels
  SIZE size_{};     // device pixels
  std::int32_t backColor_ = 0x00FFFFFF;
  // The surface as last drawn (the DC goes first, its bitmap after), redrawn only once
  // something on the form changed: a paint is otherwise one copy.
  win::DeleteObjectOwner keptBitmap_;
  win::DeleteDcOwner kept_;
  SIZE keptSize_{};
  mutable bool stale_ = true;
  std::vector<std::unique_ptr<ImageControl>> images_;
  std::vector<std::unique_ptr<Label>> labels_;
  std::function<bool(wchar_t)> accessKey_;
  std::shared_ptr<AccessibleLink> accessible_ = std::make_shared<AccessibleLink>();
  std::function<void()> close_;
  std::function<void()> endSession_;
};

// Form-independent screen units.
int TwipsToPixels(float twips, float twipsPerPixel);

}  // namespace notify::ui
