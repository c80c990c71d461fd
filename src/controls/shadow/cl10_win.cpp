#include "controls/shadow/cl10_win.h"

#include <utility>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/ui/dpi_win.h"
#include "platform/ui/scale.h"
#include "platform/ui/window_icon_win.h"

namespace notify {

namespace {

// WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOPARENTNOTIFY: per-pixel alpha, and clicks
// fall through to whatever lies beneath.
constexpr DWORD kStripExStyle = 0x80024;

// GetVersionExA as the class always read it (on newer systems it reports 6.2, which keeps
// the theme watch on); RtlGetVersion only if that call fails.
OSVERSIONINFOW ReadVersion() {
  OSVERSIONINFOW info{};
  OSVERSIONINFOA ansi{};
  ansi.dwOSVersionInfoSize = sizeof(ansi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool read = ::GetVersionExA(&ansi) != FALSE;
#pragma GCC diagnostic pop
  if (read) {
    info.dwMajorVersion = ansi.dwMajorVersion;
    info.dwMinorVersion = ansi.dwMinorVersion;
    // The manifest declares Windows 10, which then reports 10.0 instead of 6.2; read it
    // as 6.2 still, or the theme watch would go off.
    if (info.dwMajorVersion > 6) {
      info.dwMajorVersion = 6;
      info.dwMinorVersion = 2;
    }
    return info;
  }
  info.dwOSVersionInfoSize = sizeof(info);
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto rtlGetVersion =
      ntdll ? reinterpret_cast<RtlGetVersionFn>(::GetProcAddress(ntdll, "RtlGetVersion")) : nullptr;
  if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return OSVERSIONINFOW{};
  return info;
}

}  // namespace

CL10::CL10() : interceptor_(this), controller_(*this) {}

CL10::~CL10() {
  interceptor_.StopAllInterception();
  if (windows_[static_cast<std::size_t>(ShadowSide::Right)] == nullptr) return;
  for (ShadowSide side : {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Top, ShadowSide::Left}) {
    DestroySide(side);
  }
}

void CL10::SetColor(std::uint32_t vNewColor) noexcept {
  TrapVoid([&] { controller_.SetColor(vNewColor); });
}

void CL10::SetDepth(std::int32_t vNewDepth) noexcept {
  TrapVoid([&] { controller_.SetDepth(vNewDepth); });
}

void CL10::SetDepthAt96(std::int32_t depth, std::function<int()> ownerDpi) noexcept {
  TrapVoid([&] {
    ownerDpi_ = std::move(ownerDpi);
    controller_.SetDepthAt96(depth);
  });
}

int CL10::OwnerDpi() { return ownerDpi_ ? ownerDpi_() : ui::WindowDpi(owner_); }

void CL10::SetTransparency(std::int32_t vNewTransparency) noexcept {
  TrapVoid([&] { controller_.SetTransparency(vNewTransparency); });
}

bool CL10::Shadow(HWND form) noexcept {
  if (owner_ != nullptr) {
    interceptor_.ReportError(L"Shadow", interception_text::kSingleForm);
    return false;
  }
  if (!controller_.Supported()) return false;
  owner_ = form;
  if (!interceptor_.sc_Subclass(form, 0)) return false;
  interceptor_.WatchMessage(form, WM_WINDOWPOSCHANGED, kWatchBefore);
  interceptor_.WatchMessage(form, WM_SIZE, kWatchBefore);
  interceptor_.WatchMessage(form, WM_DISPLAYCHANGE, kWatchBefore);
  if (controller_.ThemeWatch()) interceptor_.WatchMessage(form, WM_THEMECHANGED, kWatchBefore);
  CreateSideWindows();
  return true;
}

void CL10::OnMessage(bool bBefore, bool&, LRESULT&, HWND, UINT uMsg, WPARAM wParam, LPARAM lParam,
                     std::int32_t&) {
  if (bBefore) OnOwnerMessage(uMsg, wParam, lParam);
}

void CL10::OnOwnerMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  OwnerPosition position;
  const OwnerPosition* record = nullptr;
  if (uMsg == WM_WINDOWPOSCHANGED && lParam != 0) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    position = {pos->x, pos->y, pos->cx, pos->cy, pos->flags};
    record = &position;
  }
  controller_.OnOwnerMessage(uMsg, wParam, record);
}

PlatformFacts CL10::QueryPlatform() {
  const OSVERSIONINFOW version = ReadVersion();
  win::ReleaseDcOwner screen(nullptr);
  const int bits = screen.get() ? ::GetDeviceCaps(screen.get(), BITSPIXEL) : 0;
  return {static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion), bits};
}

bool CL10::OwnerVisible() { return owner_ != nullptr && ::IsWindowVisible(owner_); }

std::uint32_t CL10::SysColor(int index) { return ::GetSysColor(index); }

void CL10::CreateSideWindows() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (ShadowSide side : {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Left, ShadowSide::Top}) {
    windows_[static_cast<std::size_t>(side)] = ::CreateWindowExW(
        kStripExStyle, L"#32770", L"", WS_POPUP, 0, 0, 0, 0, owner_, nullptr, instance, nullptr);
    ui::GiveStockIcon(windows_[static_cast<std::size_t>(side)]);
  }
}

void CL10::DestroySide(ShadowSide side) {
  HWND& window = windows_[static_cast<std::size_t>(side)];
  if (window == nullptr) return;
  win::DestroyWindowOwner(std::exchange(window, nullptr));
}

void CL10::DrawSide(ShadowSide side, const Rect& rect, int depth, std::uint32_t colour,
                    std::uint8_t transparency) {
  const HWND window = windows_[static_cast<std::size_t>(side)];
  if (window == nullptr || rect.width <= 0 || rect.height <= 0) return;
  if (drawObserver_) drawObserver_(side);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = rect.width;
  info.bmiHeader.biHeight = rect.height;  // positive: bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const std::size_t bytes = static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height) * 4;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(bytes);

  win::ReleaseDcOwner screen(nullptr);
  win::DeleteDcOwner memory(::CreateCompatibleDC(screen.get()));
  if (!memory) return;
  void* bits = nullptr;
  win::DeleteObjectOwner bitmap(::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return;
  if (!FillShadowSide(side, rect.width, rect.height, depth, colour,
                      {static_cast<std::uint8_t*>(bits), bytes})) {
    return;
  }
  win::SelectGuard select(memory.get(), bitmap.get());
  POINT destination{rect.left, rect.top};
  SIZE size{rect.width, rect.height};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, transparency, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(window, memory.get(), &destination, &size, memory.get(), &source, 0, &blend,
                        ULW_ALPHA);
}

void CL10::MoveSide(ShadowSide side, const Rect& rect) {
  const HWND window = windows_[static_cast<std::size_t>(side)];
  if (window == nullptr) return;
  ::MoveWindow(window, rect.left, rect.top, rect.width, rect.height, FALSE);
}

void CL10::ShowSide(ShadowSide side, bool show) {
  const HWND window = windows_[static_cast<std::size_t>(side)];
  if (window == nullptr) return;
  ::ShowWindow(window, show ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void CL10::FollowVisibleOwner() noexcept {
  TrapVoid([this] {
    if (!OwnerVisible()) return;
    RECT r{};
    if (!::GetWindowRect(owner_, &r)) return;
    const OwnerPosition position{r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW};
    controller_.OnOwnerMessage(WM_WINDOWPOSCHANGED, 0, &position);
  });
}

void CL10::ShowStrips(bool show) noexcept {
  TrapVoid([&] { controller_.SetWanted(show); });
}

void ApplyShadow(HWND form, CL10& shadow, std::function<int()> formDpi) noexcept {
  if (!shadow.Shadow(form)) return;
  shadow.SetDepthAt96(5, std::move(formDpi));  // as wide at any scale
  shadow.SetColor(RGB(66, 66, 66));
  shadow.SetTransparency(50);
  // Attached to a popup already showing an earlier message: show the strips now.
  shadow.FollowVisibleOwner();
}

}  // namespace notify
