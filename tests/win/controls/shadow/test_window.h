#pragma once
// A plain popup window for the shadow tests: its own procedure records what reaches it and
// can run a hook; the message pump drains what is pending.
#include <windows.h>

#include <functional>
#include <map>

namespace notify::shadow_test {

class TestWindow {
 public:
  // Hook: called from the window's own procedure; return true to use `result`.
  using Hook = std::function<bool(UINT msg, WPARAM, LPARAM, LRESULT& result)>;

  TestWindow(int x, int y, int width, int height, DWORD exStyle = WS_EX_TOOLWINDOW);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  int Received(UINT msg) const;
  void SetHook(Hook hook) { hook_ = std::move(hook); }
  // The class's own procedure: what GWLP_WNDPROC holds without interception.
  static WNDPROC OriginalProc();

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM) noexcept;
  HWND hwnd_ = nullptr;
  std::map<UINT, int> received_;
  Hook hook_;
};

void PumpMessages(int milliseconds = 50);

}  // namespace notify::shadow_test
