#include "checker/check_values.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace notify::checker {
namespace {

// A misspelt name is pointed at only when it is one; a name in use elsewhere is not.
TEST(CheckValues, ResemblingTable) {
  struct Case {
    std::vector<std::wstring> present;
    std::wstring wanted;
    std::wstring found;  // empty: nothing resembles
    bool caseOnly;
  };
  const Case cases[] = {
      {{L"ID", L"Limit", L"Autoshut"}, L"AutoShut", L"Autoshut", true},
      {{L"AppId"}, L"AppID", L"AppId", true},
      {{L"Autoshutt"}, L"AutoShut", L"Autoshutt", false},
      {{L"Colour"}, L"Color", L"Colour", false},
      {{L"PColor", L"Width"}, L"Color", L"", false},
      {{L"Shutdown"}, L"AutoShut", L"", false},
      {{}, L"Content", L"", false},
  };
  for (const auto& c : cases) {
    const auto like = Resembling(c.present, c.wanted);
    EXPECT_EQ(like ? like->present : L"", c.found) << ToUtf8(c.wanted);
    if (like) {
      EXPECT_EQ(like->advice.find(L"case-sensitive") != std::wstring::npos, c.caseOnly) << ToUtf8(like->advice);
    }
  }
}

// The severity follows whether some locale reads no date; a plain date has no finding.
TEST(CheckValues, DateFormSeverityTable) {
  const std::pair<const wchar_t*, std::optional<Severity>> cases[] = {
      {L"2027-01-02", std::nullopt},       {L"2027/01/02", std::nullopt},
      {L"31/01/2027", Severity::Warning},  {L"2027-1-2", Severity::Warning},
      {L"02.01.2027", Severity::Error},    {L"Jan 2, 2027", Severity::Error},
      {L"someday", Severity::Error},
  };
  for (const auto& [limit, severity] : cases) {
    const auto finding = JudgeDateForm(L"Message \"m\"", limit);
    EXPECT_EQ(finding ? std::optional(finding->severity) : std::nullopt, severity) << ToUtf8(limit);
  }
}

}  // namespace
}  // namespace notify::checker
