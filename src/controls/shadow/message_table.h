#pragma once
// The interception service's message tables and the texts of its error report.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace notify {

inline constexpr int MSG_ENTRIES = 32;
// As a message number: every message. As a table count: the table holds every message.
inline constexpr std::int32_t ALL_MESSAGES = -1;

// count = slots ever used since the table was last emptied (or ALL_MESSAGES);
// a freed slot holds 0. slots[0] is the first slot.
struct MessageTable {
  std::int32_t count = 0;
  std::array<std::uint32_t, MSG_ENTRIES> slots{};

  bool Contains(std::uint32_t message) const;
};

// ReportError(routine, text): a warning box and an event-log entry in the product;
// tests inject a recorder.
using ErrorReport = std::function<void(const std::wstring& routine, const std::wstring& text)>;

void zAddMsg(std::int32_t uMsg, MessageTable& table, const ErrorReport& report);
void zDelMsg(std::int32_t uMsg, MessageTable& table, const ErrorReport& report);

// When bits of WatchMessage.
inline constexpr int kWatchBefore = 1;
inline constexpr int kWatchAfter = 2;

// What the product's report shows and logs.
std::wstring ErrorBoxText(const std::wstring& text);
std::wstring ErrorBoxTitle(const std::wstring& routine);
std::wstring ErrorLogText(const std::wstring& routine, const std::wstring& text);

namespace interception_text {
inline constexpr wchar_t kOverflow[] =
    L"Message table overflow. Either increase the value of Const MSG_ENTRIES or use "
    L"ALL_MESSAGES instead of specific message values";
inline constexpr wchar_t kInvalidWindow[] = L"Invalid window handle";
inline constexpr wchar_t kOtherProcess[] = L"Window handle belongs to another process";
inline constexpr wchar_t kNoCallback[] = L"Callback method not found";
inline constexpr wchar_t kAllocFailed[] = L"VirtualAlloc failed, error: ";
inline constexpr wchar_t kAlreadySubclassed[] = L"Window handle is already subclassed";
inline constexpr wchar_t kInstallFailed[] = L"SetWindowLong failed, error #";
inline constexpr wchar_t kNotStarted[] = L"Subclassing hasn't been started";
inline constexpr wchar_t kNotSubclassed[] = L"Window handle isn't subclassed";
inline constexpr wchar_t kSingleForm[] = L"Only a single form per CL10 instance is allowed";
}  // namespace interception_text

// "Message &H47 not found in table": upper-case hex without leading zeros.
std::wstring MessageNotFoundText(std::uint32_t message);

}  // namespace notify
