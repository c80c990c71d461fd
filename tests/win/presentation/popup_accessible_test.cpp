// The popup's accessible object as a reader reaches it: through WM_GETOBJECT on the window.
#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <utility>

#include "presentation/popup_view_win.h"
#include "ui_test_support.h"

namespace notify {
namespace {

VARIANT Child(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

POINT Centre(HWND window) {
  const RECT r = WindowRect(window);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class PopupAccessibleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    MsgRecord r = uitest::ButtonsRecord();
    r.Content = L"Body";
    r.BtnCfm = L"&Later";
    view_.LayoutPopup(r);
    view_.Form().MoveToPixels({100, 100});
    view_.Show();
    uitest::PumpMessages(30);
    ASSERT_TRUE(SUCCEEDED(::AccessibleObjectFromWindow(view_.Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                                       IID_IAccessible, reinterpret_cast<void**>(&object_))));
    ASSERT_NE(object_, nullptr);
  }
  void TearDown() override {
    if (object_ != nullptr) object_->Release();
    ::CoUninitialize();
  }

  long State(long child) {
    VARIANT state;
    EXPECT_EQ(object_->get_accState(Child(child), &state), S_OK);
    return state.lVal;
  }

  PopupView view_;
  IAccessible* object_ = nullptr;
};

TEST_F(PopupAccessibleTest, StateFollowsVisibilityEnablingAndFocus) {
  const HWND close = view_.Cmd_Close().Handle();
  const HWND confirm = view_.Cmd_Confirm().Handle();
  EXPECT_EQ(State(CHILDID_SELF), STATE_SYSTEM_READONLY);
  EXPECT_EQ(State(1), STATE_SYSTEM_FOCUSABLE);
  ::SetFocus(confirm);
  EXPECT_EQ(State(2), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
  ::EnableWindow(close, FALSE);
  EXPECT_EQ(State(1), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE);
  view_.Cmd_Confirm().Visible(false);
  EXPECT_NE(State(2) & STATE_SYSTEM_INVISIBLE, 0);
  view_.Hide();
  EXPECT_EQ(State(CHILDID_SELF), STATE_SYSTEM_READONLY | STATE_SYSTEM_INVISIBLE);
  VARIANT out;
  EXPECT_EQ(object_->get_accState(Child(3), &out), E_INVALIDARG);
}

TEST_F(PopupAccessibleTest, NavigationWalksTheButtonsAndStopsAtTheEnds) {
  struct Case {
    long from, direction;
    HRESULT result;
    long to;  // the child reached, when S_OK
  };
  const Case cases[] = {
      {CHILDID_SELF, NAVDIR_FIRSTCHILD, S_OK, 1}, {CHILDID_SELF, NAVDIR_LASTCHILD, S_OK, 2},
      {1, NAVDIR_NEXT, S_OK, 2},                  {2, NAVDIR_PREVIOUS, S_OK, 1},
      {1, NAVDIR_DOWN, S_OK, 2},                  {2, NAVDIR_UP, S_OK, 1},
      {2, NAVDIR_NEXT, S_FALSE, 0},               {1, NAVDIR_PREVIOUS, S_FALSE, 0},
      {CHILDID_SELF, NAVDIR_NEXT, S_FALSE, 0},
  };
  for (const auto& c : cases) {
    VARIANT end;
    EXPECT_EQ(object_->accNavigate(c.direction, Child(c.from), &end), c.result) << c.from << " " << c.direction;
    if (c.result == S_OK) {
      EXPECT_EQ(end.vt, VT_I4);
      EXPECT_EQ(end.lVal, c.to) << c.from << " " << c.direction;
    } else {
      EXPECT_EQ(end.vt, VT_EMPTY);
    }
  }
}

TEST_F(PopupAccessibleTest, HitTestFindsTheButtonOrThePopupUnderAPoint) {
  const RECT popup = WindowRect(view_.Handle());
  struct Case {
    const char* what;
    POINT at;
    HRESULT result;
    long child;
  };
  const Case cases[] = {
      {"close", Centre(view_.Cmd_Close().Handle()), S_OK, 1},
      {"confirm", Centre(view_.Cmd_Confirm().Handle()), S_OK, 2},
      {"the body", {popup.left + 40, popup.top + 100}, S_OK, CHILDID_SELF},
      {"outside", {popup.right + 5, popup.bottom + 5}, S_FALSE, 0},
  };
  for (const auto& c : cases) {
    VARIANT hit;
    EXPECT_EQ(object_->accHitTest(c.at.x, c.at.y, &hit), c.result) << c.what;
    if (c.result == S_OK) {
      EXPECT_EQ(hit.lVal, c.child) << c.what;
    }
  }
}

TEST_F(PopupAccessibleTest, LocationIsTheWindowOnTheScreen) {
  long left = 0, top = 0, width = 0, height = 0;
  ASSERT_EQ(object_->accLocation(&left, &top, &width, &height, Child(CHILDID_SELF)), S_OK);
  EXPECT_EQ(left, 100);
  EXPECT_EQ(top, 100);
  EXPECT_EQ(width, 327);  // 300 wide, and the confirm row's 27
  EXPECT_EQ(height, 227);
  for (const auto& [child, window] : {std::pair{1L, view_.Cmd_Close().Handle()},
                                      std::pair{2L, view_.Cmd_Confirm().Handle()}}) {
    ASSERT_EQ(object_->accLocation(&left, &top, &width, &height, Child(child)), S_OK) << child;
    const RECT r = WindowRect(window);
    EXPECT_EQ(left, r.left) << child;
    EXPECT_EQ(top, r.top) << child;
    EXPECT_EQ(width, r.right - r.left) << child;
    EXPECT_EQ(height, r.bottom - r.top) << child;
  }
}

// A reader that still holds the object after the popup went is told so, and nothing reaches
// the destroyed window.
TEST_F(PopupAccessibleTest, AfterUnloadEveryAnswerIsDisconnected) {
  view_.Unload();
  BSTR name = nullptr;
  EXPECT_EQ(object_->get_accName(Child(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(name, nullptr);
  long count = -1;
  EXPECT_EQ(object_->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  VARIANT out;
  EXPECT_EQ(object_->get_accState(Child(CHILDID_SELF), &out), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object_->accNavigate(NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &out), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object_->accHitTest(0, 0, &out), CO_E_OBJNOTCONNECTED);
  long left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(object_->accLocation(&left, &top, &width, &height, Child(CHILDID_SELF)), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object_->accDoDefaultAction(Child(1)), CO_E_OBJNOTCONNECTED);
}

}  // namespace
}  // namespace notify
