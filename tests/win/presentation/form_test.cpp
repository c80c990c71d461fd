#include "platform/ui/form_win.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/ui/scale.h"
#include "platform/ui/screen_win.h"
#include "platform/ui/timer_win.h"
#include "test_support.h"
#include "ui_test_support.h"

namespace notify::ui {
namespace {

using uitest::CountColor;
using uitest::CountOther;
using uitest::PumpMessages;
using uitest::Surface;

constexpr std::uint32_t kRed = 0x000000FF;
constexpr std::uint32_t kGreen = 0x0000FF00;
constexpr std::uint32_t kBlue = 0x00FF0000;
constexpr std::uint32_t kBack = 0x00336699;

PicturePtr SolidPicture(const test::TempDir& dir, const char* name, int w, int h, std::uint32_t color) {
  uitest::WriteSolidBmp(dir / name, w, h, color);
  return LoadPicture((dir / name).wstring());
}

TEST(Screen, MetricsMatchTheXServer) {
  const ScreenMetrics s = QueryScreenMetrics();
  EXPECT_EQ(s.twipsPerPixelX, 15);  // 96 dpi under Wine
  EXPECT_EQ(s.twipsPerPixelY, 15);
  EXPECT_EQ(s.widthTwips, static_cast<float>(::GetSystemMetrics(SM_CXSCREEN)) * 15);
  EXPECT_EQ(s.heightTwips, static_cast<float>(::GetSystemMetrics(SM_CYSCREEN)) * 15);
  // No taskbar under Xvfb: the work area is the whole screen.
  EXPECT_EQ(s.workArea.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(s.workArea.bottom, ::GetSystemMetrics(SM_CYSCREEN));
}

TEST(FormWindow, BorderlessPopupWhoseClientIsTheWholeWindow) {
  Form form;
  const LONG_PTR style = ::GetWindowLongPtrW(form.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME));
  form.MoveTwips(1500, 750, 4500, 3000);
  RECT window{};
  ::GetWindowRect(form.Handle(), &window);
  EXPECT_EQ(window.left, 100);
  EXPECT_EQ(window.top, 50);
  EXPECT_EQ(window.right - window.left, 300);
  EXPECT_EQ(window.bottom - window.top, 200);
  RECT client{};
  ::GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_EQ(form.ClientWidth(), 300);
  EXPECT_EQ(form.WidthTwips(), 4500);
  EXPECT_EQ(form.HeightTwips(), 3000);
  EXPECT_EQ(form.LeftTwips(), 1500);
}

TEST(FormWindow, TwipsBecomeWholePixelsHalvesToEven) {
  struct Case {
    float twips;
    int pixels;
  };
  const std::vector<Case> cases = {{4507, 300}, {4508, 301}, {37.5f, 2}, {22.5f, 2}, {7.5f, 0}, {0, 0}};
  Form form;
  for (const auto& c : cases) {
    form.WidthTwips(c.twips);
    EXPECT_EQ(form.ClientWidth(), c.pixels) << c.twips;
    EXPECT_EQ(form.WidthTwips(), static_cast<float>(c.pixels) * 15) << c.twips;
  }
  EXPECT_THROW(form.HeightTwips(-15), RuntimeError);
}

TEST(FormWindow, ShowHideAndUnload) {
  HWND before = ::GetForegroundWindow();
  Form form;
  form.MoveTwips(0, 0, 1500, 1500);
  EXPECT_FALSE(form.Visible());
  form.Show();
  EXPECT_TRUE(form.Visible());
  EXPECT_TRUE(::IsWindowVisible(form.Handle()));
  EXPECT_NE(::GetActiveWindow(), form.Handle());  // shown without activation
  EXPECT_EQ(::GetForegroundWindow(), before);
  form.Hide();
  EXPECT_FALSE(form.Visible());
  HWND window = form.Handle();
  form.Unload();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(form.Handle(), nullptr);
  form.Show();  // harmless after Unload
  EXPECT_FALSE(form.Visible());
}

TEST(FormSurface, ImagesPaintNaturalOrStretchedOverTheBackColour) {
  test::TempDir dir;
  Form form;
  form.MoveTwips(0, 0, 60 * 15, 40 * 15);
  form.BackColor(static_cast<std::int32_t>(kBack));
  ImageControl& natural = form.AddImage(false);
  ImageControl& stretched = form.AddImage(true);
  natural.Move({2, 3, 50, 50});
  natural.Picture(SolidPicture(dir, "r.bmp", 4, 5, kRed));
  EXPECT_EQ(natural.Bounds(), (Rect{2, 3, 4, 5}));  // sized to the picture
  stretched.Move({30, 10, 20, 12});
  stretched.Picture(SolidPicture(dir, "g.bmp", 2, 2, kGreen));
  EXPECT_EQ(stretched.Bounds(), (Rect{30, 10, 20, 12}));

  Surface s(60, 40);
  form.Render(s.dc());
  EXPECT_EQ(CountColor(s, kRed, 0, 0, 60, 40), 4 * 5);
  EXPECT_EQ(CountColor(s, kRed, 2, 3, 6, 8), 4 * 5);
  EXPECT_EQ(CountColor(s, kGreen, 30, 10, 50, 22), 20 * 12);
  EXPECT_EQ(CountColor(s, kGreen, 0, 0, 60, 40), 20 * 12);
  EXPECT_EQ(s.Pixel(0, 0), kBack);
  EXPECT_EQ(s.Pixel(59, 39), kBack);

  // A natural-size control set smaller clips its picture.
  natural.Width(2);
  form.Render(s.dc());
  EXPECT_EQ(CountColor(s, kRed, 0, 0, 60, 40), 2 * 5);

  // Cleared or hidden: the back colour shows.
  stretched.ClearPicture();
  natural.Visible(false);
  form.Render(s.dc());
  EXPECT_EQ(CountColor(s, kBack, 0, 0, 60, 40), 60 * 40);
  EXPECT_THROW(stretched.Height(-1), RuntimeError);
}

TEST(FormSurface, LaterImagesCoverEarlierOnesAndLabelsCoverImages) {
  test::TempDir dir;
  Form form;
  form.MoveTwips(0, 0, 200 * 15, 40 * 15);
  ImageControl& below = form.AddImage(true);
  ImageControl& above = form.AddImage(true);
  Label& label = form.AddLabel(LabelSizing::OneLine);
  below.Move({0, 0, 200, 40});
  below.Picture(SolidPicture(dir, "g.bmp", 1, 1, kGreen));
  above.Move({0, 0, 100, 40});
  above.Picture(SolidPicture(dir, "b.bmp", 1, 1, kBlue));
  label.ForeColor(static_cast<std::int32_t>(kRed));
  label.Text(L"WWWW");
  label.Move({4, 4, label.Width(), label.Height()});

  Surface s(200, 40);
  form.Render(s.dc());
  EXPECT_EQ(s.Pixel(150, 30), kGreen);
  EXPECT_EQ(s.Pixel(99, 39), kBlue);
  // The label's text is drawn over the blue tile, inside its bounds only, and its
  // background stays transparent.
  const int right = 4 + label.Width();
  const int bottom = 4 + label.Height();
  EXPECT_GT(CountOther(s, kBlue, 4, 4, right, bottom), 0);
  EXPECT_GT(CountColor(s, kBlue, 4, 4, right, bottom), 0);
  EXPECT_EQ(CountOther(s, kBlue, 0, 0, 100, 40), CountOther(s, kBlue, 4, 4, right, bottom));
}

TEST(FormLabels, OneLineLabelsSizeToTheirText) {
  Form form;
  Label& label = form.AddLabel(LabelSizing::OneLine);
  const int emptyHeight = label.Height();
  EXPECT_GT(emptyHeight, 5);  // an empty label keeps one line's height
  EXPECT_EQ(label.Width(), 0);
  label.Text(L"Hello");
  const int shortWidth = label.Width();
  EXPECT_GT(shortWidth, 0);
  EXPECT_EQ(label.Height(), emptyHeight);
  label.Text(L"Hello, hello, hello");
  EXPECT_GT(label.Width(), shortWidth * 3);
  EXPECT_EQ(label.Height(), emptyHeight);
  const SIZE measured = form.MeasureText(L"Hello, hello, hello", -1);
  EXPECT_EQ(label.Width(), measured.cx);
  // A given width stays until the text changes.
  label.Width(500);
  EXPECT_EQ(label.Width(), 500);
}

TEST(FormLabels, WrappingLabelsKeepTheirWidthAndGrowInHeight) {
  Form form;
  Label& label = form.AddLabel(LabelSizing::WrapToWidth);
  label.Width(400);
  label.Text(L"one two three four five six seven eight nine ten eleven twelve");
  const int oneLine = label.Height();
  EXPECT_EQ(label.Width(), 400);
  label.Width(60);
  EXPECT_EQ(label.Width(), 60);
  EXPECT_GE(label.Height(), oneLine * 4);  // the same words on several lines
  EXPECT_EQ(label.Height(), form.MeasureText(label.Text(), 60).cy);
}

TEST(FormLabels, CentredTextSitsInTheMiddle) {
  Form form;
  form.MoveTwips(0, 0, 300 * 15, 30 * 15);
  form.BackColor(0x00FFFFFF);
  Label& label = form.AddLabel(LabelSizing::OneLine);
  label.ForeColor(0);
  label.Text(L"II");
  const int textWidth = label.Width();
  label.Move({0, 0, 300, label.Height()});
  Surface s(300, 30);
  form.Render(s.dc());
  EXPECT_GT(CountOther(s, 0x00FFFFFF, 0, 0, textWidth + 1, 30), 0);  // left-aligned
  EXPECT_EQ(CountOther(s, 0x00FFFFFF, textWidth + 1, 0, 300, 30), 0);
  label.Centred(true);
  form.Render(s.dc());
  EXPECT_EQ(CountOther(s, 0x00FFFFFF, 0, 0, 140 - textWidth, 30), 0);
  EXPECT_GT(CountOther(s, 0x00FFFFFF, 140 - textWidth, 0, 160 + textWidth, 30), 0);
  EXPECT_EQ(CountOther(s, 0x00FFFFFF, 160 + textWidth, 0, 300, 30), 0);
}

// A body whose every line is exactly full at 96 DPI: `lines` copies of one line of
// `words`, at the width of that line.
struct FullLines {
  std::wstring text;
  int width = 0;
};
FullLines FillLinesExactly(const Form& form, const std::wstring& word, int words, int lines) {
  std::wstring line;
  for (int i = 0; i < words; ++i) line += (i == 0 ? L"" : L" ") + word;
  FullLines body{line, static_cast<int>(MeasureLabelText(form.LabelFont(), line, -1).cx)};
  for (int i = 1; i < lines; ++i) body.text += L" " + line;
  // The narrowest width that still keeps each line whole.
  const LONG lineHeight = MeasureLabelText(form.LabelFont(), line, -1).cy;
  while (MeasureLabelText(form.LabelFont(), body.text, body.width).cy > lineHeight * lines) ++body.width;
  return body;
}

// Text is measured with the font that draws it: at 125 % and 150 % a body that just fills
// its lines at 96 DPI keeps all of its ink inside its box, however its lines break there.
TEST(FormLabels, WrappedTextStaysInsideItsBoxAtEveryScale) {
  struct Case {
    const wchar_t* word;
    int words;
  };
  const Case cases[] = {{L"minimum", 6}, {L"Wow", 11}, {L"illicit", 9}, {L"quiz jam", 5}, {L"abcdefghij", 4}};
  for (int dpi : {120, 144}) {
    for (const auto& c : cases) {
      Form form;
      form.BackColor(0x00FFFFFF);
      Label& body = form.AddLabel(LabelSizing::WrapToWidth);
      const FullLines full = FillLinesExactly(form, c.word, c.words, 4);
      body.Width(full.width);
      body.Text(full.text);
      form.SetDpi(dpi);
      body.Move({4, 4, full.width, body.Height()});
      form.MoveTwips(0, 0, static_cast<float>(full.width + 8) * 15, static_cast<float>(body.Height() * 2) * 15);
      Surface s(form.ClientWidth(), form.ClientHeight());
      form.Render(s.dc());
      const int boxBottom = ScaleLength(static_cast<float>(4 + body.Height()), dpi);
      EXPECT_GT(CountOther(s, 0x00FFFFFF, 0, 0, s.width(), boxBottom), 0);
      EXPECT_EQ(CountOther(s, 0x00FFFFFF, 0, boxBottom, s.width(), s.height()), 0)
          << "ink below the box at " << dpi << " dpi, " << full.text.size() << " characters of " << c.word;
    }
  }
}

// Above 96 DPI a picture is smoothed once for its size, not at every paint; one too large
// for a bitmap at that scale is still drawn, stretched plainly.
TEST(FormSurface, PicturesAreSmoothedOnceAndTooLargeOnesStillPaint) {
  test::TempDir dir;
  Form form;
  form.SetDpi(144);
  form.MoveTwips(0, 0, 100 * 15, 40 * 15);
  form.BackColor(static_cast<std::int32_t>(kBack));
  ImageControl& tile = form.AddImage(true);
  tile.Move({0, 0, 60, 20});
  tile.Picture(SolidPicture(dir, "g.bmp", 7, 5, kGreen));
  ImageControl& wide = form.AddImage(true);
  wide.Move({0, 24, 14000, 4});  // 21000 device pixels: wider than any bitmap may be
  wide.Picture(SolidPicture(dir, "wide.bmp", 14000, 4, kRed));
  Surface s(form.ClientWidth(), form.ClientHeight());

  const std::size_t before = SmoothCopiesMade();
  form.Render(s.dc());
  const std::size_t first = SmoothCopiesMade();
  EXPECT_EQ(first, before + 1) << "the tile is smoothed; the wide picture cannot be";
  for (int paint = 0; paint < 3; ++paint) form.Render(s.dc());
  EXPECT_EQ(SmoothCopiesMade(), first) << "painting again smooths nothing again";
  EXPECT_EQ(CountColor(s, kGreen, 0, 0, 90, 30), 90 * 30);
  EXPECT_EQ(CountColor(s, kRed, 0, 36, 150, 42), 150 * 6) << "the wide picture is painted";

  form.SetDpi(120);  // another scale: smoothed again, once
  form.Render(s.dc());
  form.Render(s.dc());
  EXPECT_EQ(SmoothCopiesMade(), first + 1);
  EXPECT_EQ(CountColor(s, kGreen, 0, 0, 75, 25), 75 * 25);
}

TEST(FormWindow, PaintsItsSurfaceIntoTheRealWindow) {
  test::TempDir dir;
  Form form;
  form.MoveTwips(300, 300, 40 * 15, 30 * 15);
  form.BackColor(static_cast<std::int32_t>(kBack));
  ImageControl& tile = form.AddImage(true);
  tile.Move({10, 10, 10, 10});
  tile.Picture(SolidPicture(dir, "r.bmp", 1, 1, kRed));
  form.Show();
  ::UpdateWindow(form.Handle());
  PumpMessages(100);
  win::ReleaseDcOwner dc(form.Handle());
  EXPECT_EQ(::GetPixel(dc.get(), 15, 15), kRed);
  EXPECT_EQ(::GetPixel(dc.get(), 2, 2), kBack);
  EXPECT_EQ(::GetPixel(dc.get(), 39, 29), kBack);

  // The form keeps what it drew and paints by copying it: every change made after a
  // drawing, shown or hidden, drawn ahead or not, still reaches the screen.
  const auto shown = [&](int x, int y) {
    form.Show();
    ::UpdateWindow(form.Handle());
    return static_cast<std::uint32_t>(::GetPixel(dc.get(), x, y));
  };
  form.BackColor(static_cast<std::int32_t>(kBlue));
  EXPECT_EQ(shown(2, 2), kBlue) << "changed while shown";
  form.Hide();
  tile.Picture(SolidPicture(dir, "g.bmp", 1, 1, kGreen));
  EXPECT_EQ(shown(15, 15), kGreen) << "changed while hidden, not drawn ahead";
  form.Hide();
  form.MoveTwips(300, 300, 80 * 15, 30 * 15);
  form.RenderAhead();
  EXPECT_EQ(shown(70, 5), kBlue) << "grown and drawn ahead";
}

TEST(FormTimer, TicksOnlyWhileEnabledWithAnInterval) {
  Form form;
  int ticks = 0;
  Timer timer(form, [&ticks] { ++ticks; });
  EXPECT_FALSE(timer.Enabled());
  timer.Interval(30);
  PumpMessages(200);
  EXPECT_EQ(ticks, 0);  // disabled
  timer.Enabled(true);
  PumpMessages(400);
  EXPECT_GE(ticks, 2);  // generous: 30 ms ticks over 400 ms
  timer.Enabled(false);
  const int stopped = ticks;
  PumpMessages(200);
  EXPECT_EQ(ticks, stopped);
  timer.Interval(0);
  timer.Enabled(true);
  PumpMessages(200);
  EXPECT_EQ(ticks, stopped);  // an interval of 0 never ticks
}

TEST(FormTimer, ATimerThatDisablesItselfTicksOnceAndFailuresStayInside) {
  Form form;
  int ticks = 0;
  Timer* self = nullptr;
  Timer once(form, [&] {
    self->Enabled(false);
    ++ticks;
    throw std::runtime_error("trapped");
  });
  self = &once;
  once.Interval(20);
  once.Enabled(true);
  PumpMessages(300);
  EXPECT_EQ(ticks, 1);
}

TEST(FormTimer, ADestroyedTimerNeverTicks) {
  Form form;
  int ticks = 0;
  {
    Timer gone(form, [&ticks] { ++ticks; });
    gone.Interval(10);
    gone.Enabled(true);
    ::Sleep(50);  // WM_TIMER may already be due
  }
  PumpMessages(150);
  EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace notify::ui
