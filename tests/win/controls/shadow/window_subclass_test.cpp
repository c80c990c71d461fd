#include "controls/shadow/window_subclass_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_window.h"

namespace notify {
namespace {

using shadow_test::TestWindow;

constexpr UINT kProbe = WM_APP + 7;
std::vector<std::string> seen;  // which procedures a message went through, in order

// Each adds its id's digit to what the rest of the chain answers.
LRESULT CALLBACK Adding(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
  if (message != kProbe) return CallNextSubclass(window, message, wParam, lParam);
  seen.push_back("add" + std::to_string(id));
  return CallNextSubclass(window, message, wParam, lParam) * 10 + static_cast<LRESULT>(id);
}

// Takes itself out while it handles the message, as the interceptor does at WM_NCDESTROY.
LRESULT CALLBACK Leaving(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
  if (message != kProbe) return CallNextSubclass(window, message, wParam, lParam);
  seen.push_back("leave");
  const LRESULT result = CallNextSubclass(window, message, wParam, lParam);
  RemoveSubclass(window, &Leaving, id);
  return result;
}

struct ChainCase {
  const char* name;
  std::vector<std::pair<SubclassProcedure, UINT_PTR>> added;
  std::vector<std::pair<SubclassProcedure, UINT_PTR>> removed;
  LRESULT firstAnswer;  // the window's own procedure answers 5
  std::vector<std::string> firstPath;
  LRESULT secondAnswer;
  bool ownProcedureBack;  // after both messages
};

TEST(WindowSubclass, MessagesRunTheChainFromTheLastAddedToTheWindowsOwnProcedure) {
  const std::vector<ChainCase> cases = {
      {"one", {{&Adding, 1}}, {}, 51, {"add1"}, 51, false},
      {"two, last added first", {{&Adding, 1}, {&Adding, 2}}, {}, 512, {"add2", "add1"}, 512, false},
      {"same procedure and id twice is one link", {{&Adding, 3}, {&Adding, 3}}, {}, 53, {"add3"}, 53, false},
      {"the inner one removed", {{&Adding, 1}, {&Adding, 2}}, {{&Adding, 1}}, 52, {"add2"}, 52, false},
      {"all removed", {{&Adding, 1}, {&Adding, 2}}, {{&Adding, 2}, {&Adding, 1}}, 5, {}, 5, true},
      {"removed while it runs", {{&Leaving, 4}}, {}, 5, {"leave"}, 5, true},
      {"removed while it runs under another", {{&Leaving, 4}, {&Adding, 2}}, {}, 52, {"add2", "leave"}, 52, false},
  };
  for (const ChainCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestWindow form(0, 0, 50, 50);
    form.SetHook([](UINT msg, WPARAM, LPARAM, LRESULT& result) { return msg == kProbe && ((result = 5), true); });
    for (const auto& [procedure, id] : c.added) EXPECT_TRUE(AddSubclass(form.hwnd(), procedure, id, 0));
    for (const auto& [procedure, id] : c.removed) EXPECT_TRUE(RemoveSubclass(form.hwnd(), procedure, id));
    seen.clear();
    EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), c.firstAnswer);
    EXPECT_EQ(seen, c.firstPath);
    EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), c.secondAnswer);
    EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(TestWindow::OriginalProc()),
              c.ownProcedureBack);
  }
}

// Another procedure put on top with SetWindowLongPtr stays in charge: removing the chain
// must not cut it off.
LRESULT CALLBACK OnTop(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto next = reinterpret_cast<WNDPROC>(::GetPropW(window, L"test.next"));
  const LRESULT result = ::CallWindowProcW(next, window, message, wParam, lParam);
  return message == kProbe ? result + 100 : result;
}

TEST(WindowSubclass, AProcedureSetOnTopKeepsWorkingAfterTheChainIsRemoved) {
  TestWindow form(0, 0, 50, 50);
  form.SetHook([](UINT msg, WPARAM, LPARAM, LRESULT& result) { return msg == kProbe && ((result = 5), true); });
  ASSERT_TRUE(AddSubclass(form.hwnd(), &Adding, 1, 0));
  ::SetPropW(form.hwnd(), L"test.next",
             reinterpret_cast<HANDLE>(::SetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OnTop))));
  EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), 151);
  EXPECT_TRUE(RemoveSubclass(form.hwnd(), &Adding, 1));
  EXPECT_FALSE(RemoveSubclass(form.hwnd(), &Adding, 1));
  EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), 105);
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&OnTop));
  ::SetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(::GetPropW(form.hwnd(), L"test.next")));
  ::RemovePropW(form.hwnd(), L"test.next");
}

}  // namespace
}  // namespace notify
