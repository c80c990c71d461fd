#pragma once
// Window-message interception for windows of this process: chosen messages of a window go
// to a callback before and/or after the window's own procedure. Built on the subclass
// chain of window_subclass_win.h; the registry and tables are per Interceptor object.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/shadow/message_table.h"

namespace notify {

class MessageCallback {
 public:
  virtual ~MessageCallback() = default;
  // bBefore: called before the window's own procedure. Setting bHandled there ends the
  // message with lReturn. After the procedure, lReturn holds its result and may be changed.
  virtual void OnMessage(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg,
                         WPARAM wParam, LPARAM lParam, std::int32_t& lParamUser) = 0;
};

struct InterceptedWindow;

class Interceptor {
 public:
  // `self` is the callback used when sc_Subclass is given none (may be null).
  explicit Interceptor(MessageCallback* self = nullptr);
  ~Interceptor();
  Interceptor(const Interceptor&) = delete;
  Interceptor& operator=(const Interceptor&) = delete;

  bool sc_Subclass(HWND hWnd, std::int32_t lParamUser = 0, MessageCallback* callback = nullptr) noexcept;
  // when: kWatchBefore, kWatchAfter or both.
  void WatchMessage(HWND hWnd, std::int32_t uMsg, int when) noexcept;
  InterceptedWindow* zMap_hWnd(HWND hWnd) noexcept;
  void sc_UnSubclass(HWND hWnd) noexcept;
  void StopAllInterception() noexcept;

  void SetErrorReport(ErrorReport report) { report_ = std::move(report); }
  // Tests: the next per-window allocation fails as if memory ran out.
  void FailNextAllocationForTest() { failNextAllocation_ = true; }
  void ReportError(std::wstring_view routine, std::wstring_view text) const noexcept;

 private:
  MessageCallback* self_;
  ErrorReport report_;
  bool failNextAllocation_ = false;
  // Created by the first sc_Subclass, dropped by StopAllInterception; in registration order.
  std::optional<std::vector<InterceptedWindow*>> registry_;
};

// Per-window records not yet released (across all interceptors): lets tests see that a
// record outlives sc_UnSubclass while its window's messages are still on the stack.
int LiveInterceptions() noexcept;

// The product's report: an event-log entry and a modal warning box.
void ShowErrorReport(const std::wstring& routine, const std::wstring& text) noexcept;

}  // namespace notify
