#include "test_window.h"

#include "pump_win.h"

namespace notify::shadow_test {

namespace {
constexpr wchar_t kClass[] = L"NotifyShadowTestForm";

void RegisterOnce() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TestWindow::OriginalProc();
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}
}  // namespace

WNDPROC TestWindow::OriginalProc() { return &TestWindow::Proc; }

TestWindow::TestWindow(int x, int y, int width, int height, DWORD exStyle) {
  RegisterOnce();
  hwnd_ = ::CreateWindowExW(exStyle, kClass, L"shadow test form", WS_POPUP, x, y, width, height,
                            nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
}

TestWindow::~TestWindow() {
  if (hwnd_ != nullptr && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

int TestWindow::Received(UINT msg) const {
  const auto it = received_.find(msg);
  return it == received_.end() ? 0 : it->second;
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    ++self->received_[msg];
    LRESULT result = 0;
    if (self->hook_ && self->hook_(msg, wp, lp, result)) return result;
    if (msg == WM_NCDESTROY) self->hwnd_ = nullptr;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void PumpMessages(int milliseconds) { test::PumpFor(milliseconds); }

}  // namespace notify::shadow_test
