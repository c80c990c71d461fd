#include "platform/ui/form_win.h"

#include <cmath>
#include <limits>

#include "platform/error.h"
#include "platform/ui/form_dpi_win.h"
#include "platform/ui/scale.h"
#include "platform/ui/screen_win.h"
#include "platform/ui/window_icon_win.h"

namespace notify::ui {
namespace {

constexpr wchar_t kFormClass[] = L"NotifyForm";

COLORREF ToColorRef(std::int32_t color) { return static_cast<COLORREF>(color) & 0x00FFFFFF; }

void RegisterFormClass(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kFormClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  if (!registered) Fail("RegisterClassExW");
}

int CheckedExtent(int value) {
  if (value < 0) Fail("negative size");
  return value;
}

}  // namespace

int TwipsToPixels(float twips, float twipsPerPixel) {
  const double pixels = std::nearbyint(static_cast<double>(twips) / twipsPerPixel);  // halves to even
  if (!std::isfinite(pixels) || std::fabs(pixels) > std::numeric_limits<int>::max()) Fail("overflow");
  return static_cast<int>(pixels);
}

// ---- windowless controls

void WindowlessControl::Changed() { owner_.Invalidate(); }

void WindowlessControl::SetBounds(const Rect& bounds) {
  if (bounds == bounds_) return;
  bounds_ = bounds;
  Changed();
}

void WindowlessControl::Left(int value) { SetBounds({value, bounds_.top, bounds_.width, bounds_.height}); }
void WindowlessControl::Top(int value) { SetBounds({bounds_.left, value, bounds_.width, bounds_.height}); }
void WindowlessControl::Width(int value) {
  SetBounds({bounds_.left, bounds_.top, CheckedExtent(value), bounds_.height});
}
void WindowlessControl::Height(int value) {
  SetBounds({bounds_.left, bounds_.top, bounds_.width, CheckedExtent(value)});
}
void WindowlessControl::Move(const Rect& bounds) {
  Left(bounds.left);
  Top(bounds.top);
  Width(bounds.width);
  Height(bounds.height);
}

void WindowlessControl::Visible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Changed();
}

void ImageControl::Picture(PicturePtr picture) {
  picture_ = std::move(picture);
  if (picture_ && !stretch_) {
    SetBounds({Left(), Top(), picture_->Width(), picture_->Height()});
  }
  Changed();
}

void ImageControl::Stretch(bool value) {
  stretch_ = value;
  if (picture_ && !stretch_) SetBounds({Left(), Top(), picture_->Width(), picture_->Height()});
  Changed();
}

void ImageControl::Paint(HDC dc, int dpi) const {
  if (!Visible() || !picture_ || Width() == 0 || Height() == 0) return;
  const int pw = picture_->Width();
  const int ph = picture_->Height();
  const DeviceSpan x = ScaleSpan(static_cast<float>(Left()), static_cast<float>(Width()), dpi);
  const DeviceSpan y = ScaleSpan(static_cast<float>(Top()), static_cast<float>(Height()), dpi);
  const bool scaled = dpi != kBaseDpi;
  if (stretch_) {
    if (scaled) {
      picture_->DrawSmooth(dc, x.begin, y.begin, x.extent, y.extent, 0, 0, pw, ph);
    } else {
      picture_->Draw(dc, Left(), Top(), Width(), Height(), 0, 0, pw, ph);
    }
    return;
  }
  // Natural size, clipped to the control.
  const int saved = ::SaveDC(dc);
  ::IntersectClipRect(dc, x.begin, y.begin, x.begin + x.extent, y.begin + y.extent);
  if (scaled) {
    const DeviceSpan w = ScaleSpan(static_cast<float>(Left()), static_cast<float>(pw), dpi);
    const DeviceSpan h = ScaleSpan(static_cast<float>(Top()), static_cast<float>(ph), dpi);
    picture_->DrawSmooth(dc, w.begin, h.begin, w.extent, h.extent, 0, 0, pw, ph);
  } else {
    picture_->Draw(dc, Left(), Top(), pw, ph, 0, 0, pw, ph);
  }
  ::RestoreDC(dc, saved);
}

void Label::Text(const std::wstring& value) {
  text_ = value;
  Resize();
  Changed();
}

void Label::ForeColor(std::int32_t value) {
  foreColor_ = value;
  Changed();
}

void Label::Centred(bool value) {
  centred_ = value;
  Changed();
}

void Label::Width(int value) {
  WindowlessControl::Width(value);
  if (sizing_ == LabelSizing::WrapToWidth) Resize();
}

void Label::Resize() {
  const bool oneLine = sizing_ == LabelSizing::OneLine;
  const SIZE size = owner_.MeasureText(text_, oneLine ? -1 : Width());
  SetBounds({Left(), Top(), oneLine ? static_cast<int>(size.cx) : Width(), static_cast<int>(size.cy)});
}

void Label::Paint(HDC dc, HFONT font, int dpi) const {
  if (!Visible() || text_.empty()) return;
  win::SelectGuard selectFont(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ToColorRef(foreColor_));
  const DeviceSpan x = ScaleSpan(static_cast<float>(Left()), static_cast<float>(Width()), dpi);
  const DeviceSpan y = ScaleSpan(static_cast<float>(Top()), static_cast<float>(Height()), dpi);
  // A wrapping label breaks its lines at the width it was measured at.
  const int width = sizing_ == LabelSizing::WrapToWidth ? ScaleLength(static_cast<float>(Width()), dpi) : x.extent;
  RECT box{x.begin, y.begin, x.begin + width, y.begin + y.extent};
  UINT format = DT_NOPREFIX | (centred_ ? DT_CENTER : DT_LEFT);
  format |= sizing_ == LabelSizing::OneLine ? DT_SINGLELINE : DT_WORDBREAK;
  // Hinting at the real DPI may make a line a pixel wider than its scaled 96-DPI box.
  if (dpi != kBaseDpi) format |= DT_NOCLIP;
  ::DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &box, format);
}

// ---- form

Form::Form() : baseFont_(MessageFontAt96()), font_(CreateFontAt(baseFont_, kBaseDpi)) {
  RegisterFormClass(&Form::WindowProc);
  const ScreenMetrics screen = QueryScreenMetrics();
  twipsPerPixelX_ = screen.twipsPerPixelX;
  twipsPerPixelY_ = screen.twipsPerPixelY;
  // A tool window: the popup has no taskbar button of its own.
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kFormClass, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (window == nullptr) Fail("CreateWindowExW");
  window_.reset(window);
  GiveStockIcon(window);
  accessible_->window = window;
  dpi_ = WindowDpi(window);
  paintFont_.reset(CreateFontAt(baseFont_, dpi_));
}

Form::~Form() { Unload(); }

void Form::Unload() {
  DisconnectAccessible();
  if (!window_) return;
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.reset();
}

float Form::LeftTwips() const { return static_cast<float>(at_.x) * twipsPerPixelX_; }
float Form::TopTwips() const { return static_cast<float>(at_.y) * twipsPerPixelY_; }
float Form::WidthTwips() const { return static_cast<float>(logical_.cx) * kTwipsPerBasePixel; }
float Form::HeightTwips() const { return static_cast<float>(logical_.cy) * kTwipsPerBasePixel; }

void Form::MoveTwips(float left, float top, float width, float height) {
  if (width < 0 || height < 0) Fail("negative size");
  MovePixels({TwipsToPixels(left, twipsPerPixelX_), TwipsToPixels(top, twipsPerPixelY_)},
             {TwipsToPixels(width, kTwipsPerBasePixel), TwipsToPixels(height, kTwipsPerBasePixel)});
}

void Form::WidthTwips(float value) { MoveTwips(LeftTwips(), TopTwips(), value, HeightTwips()); }
void Form::HeightTwips(float value) { MoveTwips(LeftTwips(), TopTwips(), WidthTwips(), value); }

void Form::MoveToPixels(POINT at) { MovePixels(at, logical_); }

void Form::MovePixels(POINT at, SIZE logical) {
  at_ = at;
  logical_ = logical;
  size_ = {ScaleLength(static_cast<float>(logical.cx), dpi_), ScaleLength(static_cast<float>(logical.cy), dpi_)};
  if (!window_) return;
  ::SetWindowPos(window_.get(), nullptr, at.x, at.y, size_.cx, size_.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate();
}

void Form::BackColor(std::int32_t value) {
  backColor_ = value;
  Invalidate();
}

void Form::Show() {
  if (window_) ::ShowWindow(window_.get(), SW_SHOWNOACTIVATE);
}

void Form::Hide() {
  if (window_) ::ShowWindow(window_.get(), SW_HIDE);
}

bool Form::Visible() const { return window_ && ::IsWindowVisible(window_.get()); }

ImageControl& Form::AddImage(bool stretch) {
  images_.push_back(std::make_unique<ImageControl>(*this, stretch));
  return *images_.back();
}

Label& Form::AddLabel(LabelSizing sizing) {
  labels_.push_back(std::make_unique<Label>(*this, sizing));
  return *labels_.back();
}

SIZE Form::MeasureText(const std::wstring& text, int wrapWidth) const {
  if (dpi_ == kBaseDpi) return MeasureLabelText(LabelFont(), text, wrapWidth);
  // Hinting at the real DPI does not scale text exactly: a line that just fits at 96 DPI
  // may wrap at another scale, so the box follows what paints.
  const int deviceWrap = wrapWidth < 0 ? -1 : ScaleLength(static_cast<float>(wrapWidth), dpi_);
  const SIZE device = MeasureLabelText(static_cast<HFONT>(paintFont_.get()), text, deviceWrap);
  return {wrapWidth < 0 ? CoveringLength(device.cx, dpi_) : wrapWidth, CoveringLength(device.cy, dpi_)};
}

SIZE MeasureLabelText(HFONT font, const std::wstring& text, int wrapWidth) {
  win::ReleaseDcOwner screen(nullptr);
  if (screen.get() == nullptr) Fail("GetDC");
  win::SelectGuard selectFont(screen.get(), font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(screen.get(), &metrics);
  // An empty label keeps the height of one line.
  if (text.empty()) return {0, metrics.tmHeight};
  RECT box{0, 0, wrapWidth < 0 ? 0 : wrapWidth, 0};
  const UINT format = DT_CALCRECT | DT_NOPREFIX | (wrapWidth < 0 ? DT_SINGLELINE : DT_WORDBREAK);
  ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &box, format);
  const LONG width = wrapWidth < 0 ? box.right - box.left : wrapWidth;
  return {width, box.bottom - box.top};
}

void Form::Render(HDC dc) const {
  win::DeleteObjectOwner brush(::CreateSolidBrush(ToColorRef(backColor_)));
  const RECT all{0, 0, size_.cx, size_.cy};
  ::FillRect(dc, &all, static_cast<HBRUSH>(brush.get()));
  for (const auto& image : images_) image->Paint(dc, dpi_);
  for (const auto& label : labels_) label->Paint(dc, static_cast<HFONT>(paintFont_.get()), dpi_);
}

void Form::Invalidate() const {
  stale_ = true;
  if (window_) ::InvalidateRect(window_.get(), nullptr, FALSE);
}

bool Form::RenderKeptSurface() {
  if (size_.cx <= 0 || size_.cy <= 0) return false;
  if (!kept_ || keptSize_.cx != size_.cx || keptSize_.cy != size_.cy) {
    kept_.reset();
    win::ReleaseDcOwner screen(nullptr);
    keptBitmap_.reset(::CreateCompatibleBitmap(screen.get(), size_.cx, size_.cy));
    if (!keptBitmap_) return false;
    kept_.reset(::CreateCompatibleDC(screen.get()));
    if (!kept_) return false;
    ::SelectObject(kept_.get(), keptBitmap_.get());
    keptSize_ = size_;
    stale_ = true;
  }
  // Drawn off-screen and copied in one go: no flicker between tiles and labels.
  if (stale_) Render(kept_.get());
  stale_ = false;
  return true;
}

void Form::RenderAhead() {
  TrapVoid([this] { (void)RenderKeptSurface(); });
}

void Form::Paint() {
  win::EndPaintOwner paint(window_.get());
  if (!RenderKeptSurface()) return;
  ::BitBlt(paint.get(), 0, 0, size_.cx, size_.cy, kept_.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form != nullptr) {
    if (LRESULT result = 0; form->DpiMessage(message, wParam, lParam, result) ||
                            form->AccessibleMessage(message, wParam, lParam, result)) {
      return result;
    }
    switch (message) {
      case WM_ERASEBKGND:
        return 1;  // the paint covers everything
      case WM_NCPAINT:
        return 0;  // no frame: the window is all client area
      case WM_PAINT:
        TrapVoid([form] { form->Paint(); });
        return 0;
      case WM_SYSCHAR:
        if (form->accessKey_ && Trap(false, [&] { return form->accessKey_(static_cast<wchar_t>(wParam)); })) return 0;
        break;
      case WM_KEYDOWN:
        if (wParam != VK_ESCAPE) break;
        [[fallthrough]];
      case WM_CLOSE:
        if (form->close_) TrapVoid([form] { form->close_(); });
        return 0;
      case WM_QUERYENDSESSION:
        return TRUE;  // nothing to save: every shown message is already recorded
      case WM_ENDSESSION:
        if (wParam != FALSE && form->endSession_) TrapVoid([form] { form->endSession_(); });
        return 0;
      default:
        break;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace notify::ui
