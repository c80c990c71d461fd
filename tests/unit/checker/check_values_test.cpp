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

}  // namespace
}  // namespace notify::checker
