#include "controls/shadow/interceptor_win.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/error.h"
#include "controls/shadow/window_subclass_win.h"
#include "platform/handles_win.h"

namespace notify {

// One per intercepted window, owned by the registry until sc_UnSubclass; if messages of
// the window are still on the stack then, the outermost one frees it.
struct InterceptedWindow {
  InterceptedWindow() { ++liveCount; }
  ~InterceptedWindow() { --liveCount; }
  InterceptedWindow(const InterceptedWindow&) = delete;
  InterceptedWindow& operator=(const InterceptedWindow&) = delete;
  static inline int liveCount = 0;

  HWND hWnd = nullptr;
  MessageCallback* callback = nullptr;
  std::int32_t lParamUser = 0;
  bool shutdown = false;
  bool installed = false;
  bool orphaned = false;  // no longer in any registry
  int depth = 0;          // messages of this window currently being handled
  MessageTable before;
  MessageTable after;
};

namespace {

constexpr UINT_PTR kSubclassId = 0x434C3130;  // "CL10"

void Uninstall(InterceptedWindow& entry);

LRESULT Deliver(InterceptedWindow& entry, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const bool live = !entry.shutdown && entry.callback != nullptr;
  if (live && entry.before.Contains(uMsg)) {
    bool handled = false;
    LRESULT result = 0;
    TrapVoid([&] {
      entry.callback->OnMessage(true, handled, result, hWnd, uMsg, wParam, lParam, entry.lParamUser);
    });
    if (handled) return result;
  }
  LRESULT result = CallNextSubclass(hWnd, uMsg, wParam, lParam);
  // The callback may have ended the interception while the window's procedure ran.
  if (!entry.shutdown && entry.callback != nullptr && entry.after.Contains(uMsg)) {
    bool handled = false;
    TrapVoid([&] {
      entry.callback->OnMessage(false, handled, result, hWnd, uMsg, wParam, lParam, entry.lParamUser);
    });
  }
  return result;
}

LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR refData) noexcept {
  auto* entry = reinterpret_cast<InterceptedWindow*>(refData);
  ++entry->depth;
  const LRESULT result = Deliver(*entry, hWnd, uMsg, wParam, lParam);
  --entry->depth;
  // The subclass must go before the window does.
  if (uMsg == WM_NCDESTROY) Uninstall(*entry);
  if (entry->depth == 0 && entry->shutdown) {
    Uninstall(*entry);
    if (entry->orphaned) delete entry;
  }
  return result;
}

void Uninstall(InterceptedWindow& entry) {
  if (!entry.installed) return;
  entry.installed = false;
  RemoveSubclass(entry.hWnd, SubclassProc, kSubclassId);
}

InterceptedWindow* Allocate(bool fail) {
  InterceptedWindow* entry = fail ? nullptr : new (std::nothrow) InterceptedWindow();
  if (entry == nullptr) ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return entry;
}

// Messages of a window arrive on its own thread, and the registry has no locks: a window
// of another thread is refused like a failed install (the common controls' version allows it).
bool Install(InterceptedWindow& entry) {
  if (::GetWindowThreadProcessId(entry.hWnd, nullptr) != ::GetCurrentThreadId()) {
    ::SetLastError(ERROR_INVALID_THREAD_ID);
    return false;
  }
  ::SetLastError(0);
  entry.installed =
      AddSubclass(entry.hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&entry));
  return entry.installed;
}

}  // namespace

int LiveInterceptions() noexcept { return InterceptedWindow::liveCount; }

Interceptor::Interceptor(MessageCallback* self) : self_(self), report_(ShowErrorReport) {}

Interceptor::~Interceptor() { StopAllInterception(); }

void Interceptor::ReportError(std::wstring_view routine, std::wstring_view text) const noexcept {
  TrapVoid([&] {
    if (report_) report_(std::wstring(routine), std::wstring(text));
  });
}

bool Interceptor::sc_Subclass(HWND hWnd, std::int32_t lParamUser, MessageCallback* callback) noexcept {
  constexpr std::wstring_view routine = L"sc_Subclass";
  if (!::IsWindow(hWnd)) {
    ReportError(routine, interception_text::kInvalidWindow);
    return false;
  }
  DWORD processId = 0;
  ::GetWindowThreadProcessId(hWnd, &processId);
  if (processId != ::GetCurrentProcessId()) {
    ReportError(routine, interception_text::kOtherProcess);
    return false;
  }
  if (callback == nullptr) callback = self_;
  if (callback == nullptr) {
    ReportError(routine, interception_text::kNoCallback);
    return false;
  }
  return Trap(false, [&] {
    if (!registry_) registry_.emplace();
    std::unique_ptr<InterceptedWindow> entry(Allocate(std::exchange(failNextAllocation_, false)));
    if (!entry) {
      const DWORD error = ::GetLastError();
      ReportError(routine, std::wstring(interception_text::kAllocFailed) + std::to_wstring(error));
      return false;
    }
    const bool known = std::any_of(registry_->begin(), registry_->end(),
                                   [hWnd](const InterceptedWindow* e) { return e->hWnd == hWnd; });
    if (known) {
      ReportError(routine, interception_text::kAlreadySubclassed);
      return false;
    }
    entry->hWnd = hWnd;
    entry->callback = callback;
    entry->lParamUser = lParamUser;
    registry_->reserve(registry_->size() + 1);
    if (!Install(*entry)) {
      const DWORD error = ::GetLastError();
      ReportError(routine, std::wstring(interception_text::kInstallFailed) + std::to_wstring(error));
      return false;
    }
    registry_->push_back(entry.release());
    return true;
  });
}

InterceptedWindow* Interceptor::zMap_hWnd(HWND hWnd) noexcept {
  if (!registry_) {
    ReportError(L"zMap_hWnd", interception_text::kNotStarted);
    return nullptr;
  }
  for (InterceptedWindow* entry : *registry_) {
    if (entry->hWnd == hWnd) return entry;
  }
  ReportError(L"zMap_hWnd", interception_text::kNotSubclassed);
  return nullptr;
}

void Interceptor::WatchMessage(HWND hWnd, std::int32_t uMsg, int when) noexcept {
  InterceptedWindow* entry = zMap_hWnd(hWnd);
  if (entry == nullptr) return;
  TrapVoid([&] {
    if ((when & kWatchBefore) != 0) zAddMsg(uMsg, entry->before, report_);
    if ((when & kWatchAfter) != 0) zAddMsg(uMsg, entry->after, report_);
  });
}

void Interceptor::sc_UnSubclass(HWND hWnd) noexcept {
  if (!registry_) {
    ReportError(L"sc_UnSubclass", interception_text::kNotSubclassed);
    return;
  }
  InterceptedWindow* entry = zMap_hWnd(hWnd);
  if (entry == nullptr) return;
  entry->shutdown = true;
  zDelMsg(ALL_MESSAGES, entry->before, report_);
  zDelMsg(ALL_MESSAGES, entry->after, report_);
  std::erase(*registry_, entry);
  // Never pull the subclass out from under a message of this window deeper in the stack.
  if (entry->depth > 0) {
    entry->orphaned = true;
    return;
  }
  Uninstall(*entry);
  delete entry;
}

void Interceptor::StopAllInterception() noexcept {
  if (!registry_) return;
  while (!registry_->empty()) sc_UnSubclass(registry_->back()->hWnd);
  registry_.reset();
}

namespace {

void ReleaseEventSource(HANDLE source) { ::DeregisterEventSource(source); }
using DeregisterEventSourceOwner = win::Owned<HANDLE, ReleaseEventSource>;

}  // namespace

void ShowErrorReport(const std::wstring& routine, const std::wstring& text) noexcept {
  TrapVoid([&] {
    DeregisterEventSourceOwner source(::RegisterEventSourceW(nullptr, L"Notify"));
    if (source) {
      const std::wstring line = ErrorLogText(routine, text);
      LPCWSTR strings[] = {line.c_str()};
      ::ReportEventW(source.get(), EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    }
    ::MessageBoxW(nullptr, ErrorBoxText(text).c_str(), ErrorBoxTitle(routine).c_str(),
                  MB_ICONEXCLAMATION | MB_OK);
  });
}

}  // namespace notify
