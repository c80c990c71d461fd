#include "controls/button/uc04_win.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/error.h"
#include "platform/ui/dpi_win.h"
#include "platform/ui/scale.h"

namespace notify::button {

namespace {

constexpr wchar_t kClassName[] = L"NotifyUC04";
constexpr UINT_PTR kTm01 = 1;
constexpr UINT kTm01Interval = 50;  // ms
constexpr int kHimetricPerInch = 2540;

// Every live control, for access-key routing.
std::vector<UC04*>& Instances() {
  static std::vector<UC04*> instances;
  return instances;
}

// Wraps a loaded picture so the portable core can hold it as the face strip.
class FaceStrip final : public FacePicture {
 public:
  explicit FaceStrip(ui::PicturePtr picture) : picture_(std::move(picture)) {}
  const ui::PicturePtr& picture() const { return picture_; }

 private:
  ui::PicturePtr picture_;
};

// Pixels per logical inch of the screen; `axis` is LOGPIXELSX or LOGPIXELSY.
int ScreenDpi(int axis) {
  win::ReleaseDcOwner screen(nullptr);
  const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), axis) : 0;
  return dpi > 0 ? dpi : 96;
}

int ScreenDpiY() { return ScreenDpi(LOGPIXELSY); }

int Round(float v) { return static_cast<int>(std::lrint(v)); }

// Size in points to a character height in pixels at `dpi` (negative: em height).
LOGFONTW ToLogFont(const FontSpec& spec, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -static_cast<LONG>(std::lround(spec.points * dpi / 72.0));
  lf.lfWeight = spec.weight;
  lf.lfItalic = spec.italic ? TRUE : FALSE;
  lf.lfUnderline = spec.underline ? TRUE : FALSE;
  lf.lfStrikeOut = spec.strikethrough ? TRUE : FALSE;
  lf.lfCharSet = static_cast<BYTE>(spec.charset);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  spec.face.copy(lf.lfFaceName, std::min<std::size_t>(spec.face.size(), LF_FACESIZE - 1));
  return lf;
}

FontRef StockGuiFont() {
  LOGFONTW lf{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  auto spec = std::make_shared<FontSpec>();
  spec->face = lf.lfFaceName;
  spec->points = std::abs(lf.lfHeight) * 72.0 / ScreenDpiY();
  spec->weight = lf.lfWeight;
  spec->italic = lf.lfItalic != 0;
  spec->underline = lf.lfUnderline != 0;
  spec->strikethrough = lf.lfStrikeOut != 0;
  spec->charset = lf.lfCharSet;
  return spec;
}

// The platform's masks: left 1, right 2, middle 4; Shift 1, Ctrl 2, Alt 4.
std::int16_t ButtonsHeld(WPARAM wParam) {
  return static_cast<std::int16_t>(((wParam & MK_LBUTTON) ? 1 : 0) |
                                   ((wParam & MK_RBUTTON) ? 2 : 0) |
                                   ((wParam & MK_MBUTTON) ? 4 : 0));
}

std::int16_t ShiftState() {
  return static_cast<std::int16_t>((::GetKeyState(VK_SHIFT) < 0 ? 1 : 0) |
                                   (::GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                   (::GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

std::int16_t ButtonOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      return 1;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return 2;
    default:
      return 4;
  }
}

bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN;
}
bool IsButtonUp(UINT m) { return m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_MBUTTONUP; }

void RegisterClassOnce(WNDPROC proc) {
  static const bool registered = [proc] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  if (!registered) Fail("cannot register the button window class");
}

std::int32_t StoredInt(PropertyBag& bag, const wchar_t* name, std::int32_t fallback) {
  const PropertyValue v = bag.Read(name, fallback);
  const auto* i = std::get_if<std::int32_t>(&v);
  return i ? *i : fallback;
}

FontRef SongTi9() {
  return std::make_shared<FontSpec>(FontSpec{L"\u5b8b\u4f53", 9, 400, false, false, false, 134});
}

}  // namespace

UC04::UC04(std::wstring name) : name_(std::move(name)) { Instances().push_back(this); }

UC04::~UC04() {
  ready_ = false;
  window_.reset();
  std::erase(Instances(), this);
}

std::unique_ptr<UC04> UC04::Create(HWND parent, const std::wstring& name, PropertyBag* stored) {
  RegisterClassOnce(&UC04::WndProc);
  std::unique_ptr<UC04> control(new UC04(name));
  const int dpi = ui::WindowDpi(parent);
  control->surface_.SetDpi(dpi);
  // The host keeps the extent in HIMETRIC; 1 x 1 px until something sizes the control.
  const auto extent = [&](const wchar_t* key) {
    const int logical = ::MulDiv(StoredInt(*stored, key, 0), ui::kBaseDpi, kHimetricPerInch);
    return ui::ScaleLength(static_cast<float>(logical), dpi);
  };
  const int width = stored ? extent(L"_extentx") : 1;
  const int height = stored ? extent(L"_extenty") : 1;
  control->window_.reset(::CreateWindowExW(
      0, kClassName, name.c_str(), WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, width, height,
      parent, nullptr, ::GetModuleHandleW(nullptr), control.get()));
  if (!control->window_) Fail("cannot create the button window");
  control->surface_.AttachWindow(control->window_.get());
  control->surface_.Resize(width, height);
  control->core_.Initialize();
  if (stored) {
    control->core_.ReadProperties(*stored);
  } else {
    control->core_.InitProperties();
  }
  control->ready_ = true;
  control->core_.Resize();
  control->SetVisible(true);
  return control;
}

LRESULT CALLBACK UC04::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<UC04*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (self == nullptr || !self->ready_) return ::DefWindowProcW(window, message, wParam, lParam);
  // No exception crosses the window procedure: a failing step ends that notification.
  return Trap<LRESULT>(0, [&] { return self->Handle(message, wParam, lParam); });
}

LRESULT UC04::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND w = window_.get();
  switch (message) {
    case WM_PAINT: {
      win::EndPaintOwner paint(w);
      const RECT& r = paint.paint().rcPaint;
      ::BitBlt(paint.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, surface_.Dc(),
               r.left, r.top, SRCCOPY);
      return 0;
    }
    case WM_PRINTCLIENT:
      // The same retained surface into someone else's DC: previews draw off-screen.
      ::BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, surface_.PixelWidth(), surface_.PixelHeight(), surface_.Dc(),
               0, 0, SRCCOPY);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      surface_.Resize(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      core_.Resize();
      return 0;
    case WM_SHOWWINDOW:
      if (wParam) core_.Show();
      break;
    case WM_SETFOCUS:
      core_.GotFocus();
      return 0;
    case WM_KILLFOCUS:
      core_.LostFocus();
      return 0;
    case WM_TIMER:
      if (wParam == kTm01) core_.TimerTick();
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      OnMouse(message, wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != w) leftPressedHere_ = false;
      return 0;
    case WM_KEYDOWN:
      core_.KeyDown(static_cast<std::int16_t>(wParam), ShiftState());
      // The control has no use for Esc: the window it sits in decides, as in a dialog.
      if (wParam == VK_ESCAPE) ::SendMessageW(::GetAncestor(w, GA_ROOT), WM_KEYDOWN, wParam, lParam);
      return 0;
    case WM_KEYUP:
      core_.KeyUp(static_cast<std::int16_t>(wParam), ShiftState());
      return 0;
    case WM_CHAR:
      core_.KeyPress(static_cast<std::int16_t>(wParam));
      return 0;
    case WM_SYSCHAR:
      if (HandleAccessKey(::GetAncestor(w, GA_ROOT), static_cast<wchar_t>(wParam))) return 0;
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS;
    default:
      break;
  }
  return ::DefWindowProcW(w, message, wParam, lParam);
}

// A press takes the capture (and the focus, like any push button); the release gives
// it back once no button is held. Click is the classic one: a left press on the control
// and the left release inside it.
void UC04::OnMouse(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND w = window_.get();
  const float x = ui::UnscaleLength(static_cast<float>(GET_X_LPARAM(lParam)), surface_.Dpi());
  const float y = ui::UnscaleLength(static_cast<float>(GET_Y_LPARAM(lParam)), surface_.Dpi());
  if (message == WM_MOUSEMOVE) {
    core_.MouseMove(ButtonsHeld(wParam), ShiftState(), x, y);
    return;
  }
  const std::int16_t button = ButtonOf(message);
  if (IsButtonDown(message)) {
    if (::GetFocus() != w) ::SetFocus(w);
    ::SetCapture(w);
    if (button == 1) leftPressedHere_ = true;
    core_.MouseDown(button, ShiftState(), x, y);
    return;
  }
  if (!IsButtonUp(message)) return;
  const bool clicked = button == 1 && leftPressedHere_ && x >= 0 && y >= 0 &&
                       x < surface_.ScaleWidth() && y < surface_.ScaleHeight();
  if (button == 1) leftPressedHere_ = false;
  if (ButtonsHeld(wParam) == 0 && ::GetCapture() == w) ::ReleaseCapture();
  core_.MouseUp(button, ShiftState(), x, y);
  if (clicked) core_.Click();
}

void RetainedSurface::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  // The DIB is at least 1 x 1 so the DC always has a surface selected.
  const int w = std::max(width_, 1);
  const int h = std::max(height_, 1);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win::DeleteObjectOwner bitmap(
      ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) Fail("cannot create the button surface");
  if (!dc_) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!dc_) Fail("cannot create the button surface DC");
    ::SetBkMode(dc_.get(), TRANSPARENT);
    ::SetTextAlign(dc_.get(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ::SetTextColor(dc_.get(), foreColor_);
  }
  bitmapSelected_.reset();
  bitmap_ = std::move(bitmap);
  bits_ = static_cast<std::uint32_t*>(bits);
  bitmapSelected_.emplace(dc_.get(), bitmap_.get());
}

void RetainedSurface::SetDpi(int dpi) {
  dpi_ = dpi;
  if (dc_) SetFont(font_);
}

float RetainedSurface::ScaleWidth() const { return ui::UnscaleLength(static_cast<float>(width_), dpi_); }
float RetainedSurface::ScaleHeight() const { return ui::UnscaleLength(static_cast<float>(height_), dpi_); }

const std::uint32_t* RetainedSurface::Pixels() const {
  ::GdiFlush();
  return bits_;
}

void RetainedSurface::Invalidate() const {
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
}

ui::PicturePtr UC04::BtnPic() const {
  const auto* strip = dynamic_cast<const FaceStrip*>(core_.BtnPic().get());
  return strip ? strip->picture() : nullptr;
}

void UC04::SetBtnPic(ui::PicturePtr NewPic) {
  core_.SetBtnPic(NewPic ? std::make_shared<FaceStrip>(std::move(NewPic)) : nullptr);
}

RECT UC04::RectInParent() const {
  RECT r{};
  ::GetWindowRect(window_.get(), &r);
  ::MapWindowPoints(nullptr, ::GetParent(window_.get()), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int UC04::Left() const { return RectInParent().left; }

int UC04::Top() const { return RectInParent().top; }

bool UC04::Visible() const {
  return (::GetWindowLongPtrW(window_.get(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void UC04::Move(int left, int top, int width, int height) {
  ::SetWindowPos(window_.get(), nullptr, left, top, std::max(width, 0), std::max(height, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void UC04::SetDpi(int dpi) {
  if (dpi <= 0 || dpi == surface_.Dpi()) return;
  surface_.SetDpi(dpi);
  core_.Resize();
}

void UC04::SetVisible(bool visible) { ::ShowWindow(window_.get(), visible ? SW_SHOWNA : SW_HIDE); }

bool UC04::HandleAccessKey(HWND host, wchar_t key) {
  if (key >= L'a' && key <= L'z') key = static_cast<wchar_t>(key - L'a' + L'A');
  if (key == 0 || host == nullptr) return false;
  const HWND root = ::GetAncestor(host, GA_ROOT);
  for (UC04* control : Instances()) {
    const HWND w = control->window_.get();
    if (!control->ready_ || control->accessKey_ != key || ::GetAncestor(w, GA_ROOT) != root)
      continue;
    if (!::IsWindowEnabled(w) || !::IsWindowVisible(w)) continue;
    control->core_.AccessKeyPressed();
    return true;
  }
  return false;
}

const std::uint32_t* UC04::SurfacePixels() const { return surface_.Pixels(); }

std::uint32_t UC04::SurfacePixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
  return SurfacePixels()[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) +
                         static_cast<std::size_t>(x)] &
         0x00FFFFFF;
}

// The host framework keeps no design-time state here, so the notification has no reader.
void UC04::PropertyChanged(const wchar_t*) {}

bool UC04::WindowEnabled() const { return ::IsWindowEnabled(window_.get()) != FALSE; }

void UC04::SetWindowEnabled(bool enabled) { ::EnableWindow(window_.get(), enabled ? TRUE : FALSE); }

void UC04::SetAccessKey(wchar_t key) { accessKey_ = key; }

void UC04::StartTimer() {
  if (::SetTimer(window_.get(), kTm01, kTm01Interval, nullptr) != 0) timerArmed_ = true;
}

void UC04::StopTimer() {
  ::KillTimer(window_.get(), kTm01);
  timerArmed_ = false;
}

bool UC04::PointerOverControl() {
  POINT p{};
  if (!::GetCursorPos(&p)) return false;
  return ::WindowFromPoint(p) == window_.get();
}

void UC04::Refresh() {
  ::InvalidateRect(window_.get(), nullptr, FALSE);
  ::UpdateWindow(window_.get());
}

FontRef UC04::AmbientFont() const {
  static const FontRef font = StockGuiFont();
  return font;
}

void RetainedSurface::SetForeColor(Color color) {
  foreColor_ = color;
  ::SetTextColor(dc_.get(), color);
}

void RetainedSurface::SetFont(FontRef font) {
  win::DeleteObjectOwner handle;
  if (font) {
    const LOGFONTW lf = ToLogFont(*font, dpi_);
    handle.reset(::CreateFontIndirectW(&lf));
    if (!handle) Fail("CreateFontIndirectW failed");
  }
  fontSelected_.reset();
  fontHandle_ = std::move(handle);
  font_ = std::move(font);
  if (fontHandle_) fontSelected_.emplace(dc_.get(), fontHandle_.get());
}

void RetainedSurface::Clear() {
  win::DeleteObjectOwner brush(::CreateSolidBrush(backColor_));
  const RECT all{0, 0, std::max(width_, 1), std::max(height_, 1)};
  ::FillRect(dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
  Invalidate();
}

void RetainedSurface::PaintPicture(const FacePicture& picture, RectF d, Rect s) {
  const auto* strip = dynamic_cast<const FaceStrip*>(&picture);
  if (strip == nullptr || !strip->picture()) return;
  if (dpi_ == ui::kBaseDpi) {
    strip->picture()->Draw(dc_.get(), Round(d.left), Round(d.top), Round(d.width), Round(d.height), s.left,
                           s.top, s.width, s.height);
  } else {
    const ui::DeviceSpan x = ui::ScaleSpan(d.left, d.width, dpi_);
    const ui::DeviceSpan y = ui::ScaleSpan(d.top, d.height, dpi_);
    strip->picture()->DrawSmooth(dc_.get(), x.begin, y.begin, x.extent, y.extent, s.left, s.top, s.width,
                                 s.height);
  }
  Invalidate();
}

// A 96-DPI pixel covers a block of device pixels at a larger scale.
void RetainedSurface::SetPixel(float x, float y, Color color) {
  if (dpi_ == ui::kBaseDpi) {
    ::SetPixelV(dc_.get(), Round(x), Round(y), color);
  } else {
    const ui::DeviceSpan bx = ui::CoveringSpan(Round(x), dpi_);
    const ui::DeviceSpan by = ui::CoveringSpan(Round(y), dpi_);
    const RECT block{bx.begin, by.begin, bx.begin + bx.extent, by.begin + by.extent};
    win::DeleteObjectOwner brush(::CreateSolidBrush(color));
    ::FillRect(dc_.get(), &block, static_cast<HBRUSH>(brush.get()));
  }
  Invalidate();
}

float RetainedSurface::TextWidth(const std::wstring& text) {
  SIZE size{};
  ::GetTextExtentPoint32W(dc_.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return ui::UnscaleLength(static_cast<float>(size.cx), dpi_);
}

// The line height of the font, also for an empty text.
float RetainedSurface::TextHeight(const std::wstring&) {
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc_.get(), &tm);
  return ui::UnscaleLength(static_cast<float>(tm.tmHeight), dpi_);
}

// ExtTextOut does no prefix processing: "&" is drawn as itself, nothing is underlined.
void RetainedSurface::PrintText(float x, float y, const std::wstring& text) {
  ::ExtTextOutW(dc_.get(), ui::ScaleLength(x, dpi_), ui::ScaleLength(y, dpi_), 0, nullptr, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
  Invalidate();
}

void RetainedSurface::DrawFocusRect(Edges f) {
  const RECT r{ui::ScaleLength(static_cast<float>(f.left), dpi_), ui::ScaleLength(static_cast<float>(f.top), dpi_),
               ui::ScaleLength(static_cast<float>(f.right), dpi_), ui::ScaleLength(static_cast<float>(f.bottom), dpi_)};
  ::DrawFocusRect(dc_.get(), &r);
  Invalidate();
}

namespace {
// The form's design-time store for one button: its extent in HIMETRIC, caption and font.
MemoryPropertyBag DesignTimeProperties(std::int32_t extentX, std::int32_t extentY, const wchar_t* caption) {
  MemoryPropertyBag bag;
  bag.Set(L"_extentx", extentX);
  bag.Set(L"_extenty", extentY);
  bag.Set(L"Caption", std::wstring(caption));
  bag.Set(L"Font", SongTi9());
  return bag;
}
}  // namespace

MemoryPropertyBag CmdCloseProperties() { return DesignTimeProperties(820, 556, L"X"); }

MemoryPropertyBag CmdConfirmProperties() { return DesignTimeProperties(2037, 714, L"\u786e\u5b9a"); }

std::unique_ptr<UC04> CreateCmdClose(HWND parent) {
  MemoryPropertyBag bag = CmdCloseProperties();
  return UC04::Create(parent, L"Cmd_Close", &bag);
}

std::unique_ptr<UC04> CreateCmdConfirm(HWND parent) {
  MemoryPropertyBag bag = CmdConfirmProperties();
  return UC04::Create(parent, L"Cmd_Confirm", &bag);
}

}  // namespace notify::button
