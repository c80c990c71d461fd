#include "controls/shadow/message_table.h"

#include <cwchar>

namespace notify {

bool MessageTable::Contains(std::uint32_t message) const {
  if (count == ALL_MESSAGES) return true;
  // 0 marks a freed slot, so WM_NULL is only ever seen through ALL_MESSAGES.
  if (message == 0) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    if (slots[static_cast<std::size_t>(i)] == message) return true;
  }
  return false;
}

void zAddMsg(std::int32_t uMsg, MessageTable& table, const ErrorReport& report) {
  if (uMsg == ALL_MESSAGES) {
    table.count = ALL_MESSAGES;
    return;
  }
  // A table that held every message starts over with just this one.
  if (table.count == ALL_MESSAGES) table.count = 0;
  if (table.count >= MSG_ENTRIES) {
    if (report) report(L"zAddMsg", interception_text::kOverflow);
    return;
  }
  const auto message = static_cast<std::uint32_t>(uMsg);
  for (std::int32_t i = 0; i < table.count; ++i) {
    auto& slot = table.slots[static_cast<std::size_t>(i)];
    if (slot == 0) {
      slot = message;
      return;
    }
    if (slot == message) return;
  }
  table.slots[static_cast<std::size_t>(table.count)] = message;
  ++table.count;
}

void zDelMsg(std::int32_t uMsg, MessageTable& table, const ErrorReport& report) {
  if (uMsg == ALL_MESSAGES) {
    table.count = 0;
    table.slots.fill(0);
    return;
  }
  const auto message = static_cast<std::uint32_t>(uMsg);
  for (std::int32_t i = 0; i < table.count; ++i) {
    auto& slot = table.slots[static_cast<std::size_t>(i)];
    if (slot == message) {
      slot = 0;
      return;
    }
  }
  if (report) report(L"zDelMsg", MessageNotFoundText(message));
}

std::wstring MessageNotFoundText(std::uint32_t message) {
  wchar_t hex[16] = {};
  std::swprintf(hex, 16, L"%X", static_cast<unsigned>(message));
  return L"Message &H" + std::wstring(hex) + L" not found in table";
}

std::wstring ErrorBoxText(const std::wstring& text) { return text + L"."; }
std::wstring ErrorBoxTitle(const std::wstring& routine) { return L"Error in CL10." + routine; }
std::wstring ErrorLogText(const std::wstring& routine, const std::wstring& text) {
  return L"CL10." + routine + L": " + text;
}

}  // namespace notify
