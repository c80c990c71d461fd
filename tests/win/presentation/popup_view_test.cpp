#include "presentation/popup_view_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../../unit/platform/xml/xml_test_support.h"
#include "../controls/button/picture_files.h"
#include "controls/shadow/cl10_win.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui/dpi_win.h"
#include "platform/ui/scale.h"
#include "platform/ui/screen_win.h"
#include "test_support.h"
#include "ui_test_support.h"

namespace notify {
namespace {

namespace fs = std::filesystem;
using uitest::CountColor;
using uitest::Surface;

// One generated style: each role a solid colour of its own size.
struct TilePicture {
  const char* element;
  const char* file;
  int width;
  int height;
  std::uint32_t color;
};
const std::vector<TilePicture> kTiles = {
    {"Icon", "icon.bmp", 16, 16, 0x000080FF},          {"LeftTop", "lt.bmp", 12, 30, 0x000000C0},
    {"LeftMiddle", "lm.bmp", 4, 2, 0x0000C000},        {"LeftButtom", "lb.bmp", 8, 10, 0x00C00000},
    {"MiddleTop", "mt.bmp", 2, 30, 0x00C0C000},         {"MiddleMiddle", "mm.bmp", 3, 3, 0x00F0F0F0},
    {"MiddleButtom", "mb.bmp", 2, 10, 0x00C000C0},      {"RightTop", "rt.bmp", 14, 30, 0x0000C0C0},
    {"RightMiddle", "rm.bmp", 3, 2, 0x00404040},        {"RightButtom", "rb.bmp", 6, 10, 0x00808000},
    {"Close", "close.bmp", 155, 21, 0x00008080},        {"Confirm", "confirm.bmp", 385, 27, 0x00800080},
};

std::string ConfigXml(const std::string& root, const std::vector<std::string>& skip,
                      const std::map<std::string, std::string>& rename = {}) {
  std::string xml = "<" + root + (root.find(':') != std::string::npos ? " xmlns:p=\"urn:p\"" : "") + ">";
  for (const auto& t : kTiles) {
    if (std::find(skip.begin(), skip.end(), t.element) != skip.end()) continue;
    const auto renamed = rename.find(t.element);
    const std::string file = renamed == rename.end() ? t.file : renamed->second;
    xml += std::string("<") + t.element + ">" + file + "</" + t.element + ">";
  }
  return xml + "</" + root + ">";
}

class PopupViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document_ = xml::test::NewDocument();
    ASSERT_NE(document_, nullptr);
    SetProgramFolder(dir_.text());
    uitest::WriteSolidBmp(dir_ / "Image" / "Logo" / "logo.bmp", 48, 40, 0x00203040);
    uitest::WriteSolidBmp(dir_ / "Image" / "Logo" / "logo2.bmp", 20, 20, 0x00102030);
  }

  // A style whose pictures all exist; `config` decides what Config.xml says.
  void WriteStyle(const std::string& style, const std::string& config, std::uint32_t tint = 0) {
    const fs::path folder = dir_ / "Image" / style;
    for (const auto& t : kTiles) uitest::WriteSolidBmp(folder / t.file, t.width, t.height, t.color ^ tint);
    if (!config.empty()) test::WriteBytes(folder / "Config.xml", config);
  }

  void Load(const std::wstring& style, const std::wstring& logo = L"logo.bmp") {
    MsgRecord record;
    record.Style = style;
    record.Logo = logo;
    view_.LoadSkinStyle(record, document_.get());
  }

  // Every picture the skin can set, in table order, with the logo last.
  std::vector<ui::PicturePtr> Pictures() {
    std::vector<ui::PicturePtr> all;
    for (auto which : {PopupImage::Icon, PopupImage::LeftTop, PopupImage::LeftMiddle, PopupImage::LeftButtom,
                       PopupImage::MiddleTop, PopupImage::MiddleMiddle, PopupImage::MiddleButtom,
                       PopupImage::RightTop, PopupImage::RightMiddle, PopupImage::RightButtom}) {
      all.push_back(view_.Image(which).Picture());
    }
    all.push_back(view_.Cmd_Close().BtnPic());
    all.push_back(view_.Cmd_Confirm().BtnPic());
    all.push_back(view_.Image(PopupImage::Logo).Picture());
    return all;
  }

  test::TempDir dir_;
  std::unique_ptr<xml::DomDocument> document_;
  PopupView view_;
};

TEST_F(PopupViewTest, DesignTimeControls) {
  EXPECT_EQ(view_.Cmd_Close().Caption(), L"X");
  EXPECT_EQ(view_.Cmd_Close().Bounds().width, 31);
  EXPECT_EQ(view_.Cmd_Close().Bounds().height, 21);
  EXPECT_EQ(view_.Cmd_Confirm().Caption(), L"\u786E\u5B9A");
  EXPECT_EQ(view_.Cmd_Confirm().Bounds().height, 27);
  EXPECT_EQ(::GetParent(view_.Cmd_Close().Handle()), view_.Handle());
  EXPECT_FALSE(view_.ImgCheck().Visible());
  EXPECT_FALSE(view_.Image(PopupImage::LeftTop).Stretch());
  EXPECT_FALSE(view_.Image(PopupImage::Logo).Stretch());
  EXPECT_TRUE(view_.Image(PopupImage::MiddleTop).Stretch());
  EXPECT_TRUE(view_.Image(PopupImage::Icon).Stretch());
  for (const auto& p : Pictures()) EXPECT_EQ(p, nullptr);  // no picture before a style loads
}

TEST_F(PopupViewTest, AltLetterOnTheFormClicksTheButtonWhoseCaptionNamesIt) {
  int closes = 0;
  int confirms = 0;
  view_.Cmd_Close().OnClick([&] { ++closes; });
  view_.Cmd_Confirm().OnClick([&] { ++confirms; });
  view_.Cmd_Confirm().Caption(L"&Open");
  view_.Cmd_Close().Visible(true);
  view_.Cmd_Confirm().Visible(true);
  view_.Show();
  ::SendMessageW(view_.Handle(), WM_SYSCHAR, L'o', 0);
  EXPECT_EQ(confirms, 1);
  ::SendMessageW(view_.Handle(), WM_SYSCHAR, L'x', 0);  // "X" has no access key
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(confirms, 1);
}

TEST_F(PopupViewTest, FullStyleSetsEveryPicture) {
  WriteStyle("Full", ConfigXml("Skin", {}));
  Load(L"Full");
  const auto pictures = Pictures();
  for (std::size_t i = 0; i < kTiles.size(); ++i) {
    ASSERT_NE(pictures[i], nullptr) << kTiles[i].element;
    EXPECT_EQ(pictures[i]->Width(), kTiles[i].width) << kTiles[i].element;
    EXPECT_EQ(pictures[i]->Height(), kTiles[i].height) << kTiles[i].element;
  }
  ASSERT_NE(pictures.back(), nullptr);
  EXPECT_EQ(pictures.back()->Width(), 48);
}

// Each case loads a full style "A" first, then the style under test "B" (its pictures
// differ from A's), and says which of the thirteen pictures B replaced.
TEST_F(PopupViewTest, LaterStylesReplaceOnlyWhatTheyReach) {
  struct Case {
    const char* name;
    std::string config;
    bool logo;
    std::vector<bool> replaced;  // table order: 10 tiles/icon, Close, Confirm
  };
  const std::vector<bool> none(12, false);
  const std::vector<bool> all(12, true);
  std::vector<bool> noFaces = all;
  noFaces[10] = noFaces[11] = false;
  const std::vector<Case> cases = {
      {"missing Icon element", ConfigXml("Skin", {"Icon"}), true, none},
      {"missing Close and Confirm", ConfigXml("Skin", {"Close", "Confirm"}), true, noFaces},
      {"missing Config.xml", "", false, none},
      {"prefixed root", ConfigXml("p:Skin", {}), true, none},
      {"full style", ConfigXml("Root", {}), true, all},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Appended rather than "A" + ...: GCC 12 warns falsely (-Wrestrict) on that form here.
    const std::string a = std::string("A").append(std::to_string(n));
    const std::string b = std::string("B").append(std::to_string(n++));
    WriteStyle(a, ConfigXml("Skin", {}));
    WriteStyle(b, c.config, 0x00010101);
    Load(FromUtf8(a), L"logo.bmp");
    const auto before = Pictures();
    Load(FromUtf8(b), L"logo2.bmp");
    const auto after = Pictures();
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(after[i] != before[i], c.replaced[i]) << kTiles[i].element;
    EXPECT_EQ(after[12] != before[12], c.logo) << "logo";
  }
}

TEST_F(PopupViewTest, MissingCentreFileClearsTheCentre) {
  WriteStyle("A", ConfigXml("Skin", {}));
  WriteStyle("B", ConfigXml("Skin", {}, {{"MiddleMiddle", "absent.bmp"}}), 0x00010101);
  Load(L"A");
  const auto before = Pictures();
  ASSERT_NE(view_.Image(PopupImage::MiddleMiddle).Picture(), nullptr);
  Load(L"B");
  EXPECT_EQ(view_.Image(PopupImage::MiddleMiddle).Picture(), nullptr);
  EXPECT_NE(view_.Image(PopupImage::MiddleButtom).Picture(), before[6]);  // the rest went on
  EXPECT_NE(view_.Cmd_Confirm().BtnPic(), before[11]);
}

TEST_F(PopupViewTest, UnreadablePictureEndsTheLoad) {
  WriteStyle("A", ConfigXml("Skin", {}));
  WriteStyle("B", ConfigXml("Skin", {}, {{"MiddleTop", "junk.bmp"}}), 0x00010101);
  test::WriteBytes(dir_ / "Image" / "B" / "junk.bmp", "not a picture");
  Load(L"A");
  const auto before = Pictures();
  Load(L"B");
  const auto after = Pictures();
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NE(after[i], before[i]) << kTiles[i].element;
  for (std::size_t i = 4; i < 12; ++i) EXPECT_EQ(after[i], before[i]) << kTiles[i].element;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(ca - cb) > tolerance) return false;
  }
  return true;
}

using uitest::ButtonsRecord;

TEST_F(PopupViewTest, EveryPictureFormatServesAsATile) {
  struct Format {
    const char* element;
    const char* file;
    std::uint32_t color;
  };
  const std::vector<Format> formats = {
      {"LeftTop", "tile.bmp", 0x000000FF},     {"RightTop", "tile.gif", 0x0000FF00},
      {"LeftButtom", "tile.jpg", 0x00FF0000},  {"RightButtom", "tile.ico", 0x0000FFFF},
      {"MiddleTop", "tile.png", 0x00FF00FF},
  };
  // No icon: it would cover the small top-left tile.
  std::map<std::string, std::string> rename{{"Icon", "absent.bmp"}};
  for (const auto& f : formats) rename[f.element] = f.file;
  WriteStyle("Formats", ConfigXml("Skin", {}, rename));
  for (const auto& f : formats) {
    fs::copy_file(test::FixturePath(std::string("presentation/") + f.file), dir_ / "Image" / "Formats" / f.file);
  }
  Load(L"Formats");
  view_.LayoutPopup(ButtonsRecord());
  const int cw = view_.Form().ClientWidth();
  const int ch = view_.Form().ClientHeight();
  ASSERT_EQ(cw, 327);
  ASSERT_EQ(ch, 227);
  Surface s(cw, ch);
  view_.Form().Render(s.dc());
  struct Spot {
    PopupImage tile;
    int x, y;
    std::uint32_t color;
  };
  const std::vector<Spot> spots = {
      {PopupImage::LeftTop, 4, 3, 0x000000FF},          {PopupImage::RightTop, cw - 4, 3, 0x0000FF00},
      {PopupImage::LeftButtom, 4, ch - 3, 0x00FF0000},  {PopupImage::RightButtom, cw - 4, ch - 3, 0x0000FFFF},
      {PopupImage::MiddleTop, cw / 2, 3, 0x00FF00FF},
  };
  for (const auto& spot : spots) {
    const auto& picture = view_.Image(spot.tile).Picture();
    ASSERT_NE(picture, nullptr) << static_cast<int>(spot.tile);
    EXPECT_EQ(picture->Width(), 8);
    EXPECT_EQ(picture->Height(), 6);
    // JPEG may be off by a level or two per channel.
    EXPECT_TRUE(Near(s.Pixel(spot.x, spot.y), spot.color, 3))
        << static_cast<int>(spot.tile) << " " << std::hex << s.Pixel(spot.x, spot.y);
  }
}

TEST_F(PopupViewTest, LayoutPlacesTheRealControls) {
  WriteStyle("Full", ConfigXml("Skin", {}));
  Load(L"Full");
  view_.LayoutPopup(ButtonsRecord());
  EXPECT_EQ(view_.Form().WidthTwips(), 327 * 15);
  EXPECT_EQ(view_.Form().HeightTwips(), 227 * 15);
  EXPECT_EQ(view_.Form().BackColor(), 0x00D0E0F0);
  struct Expect {
    PopupImage which;
    Rect rect;
    std::uint32_t color;
  };
  const std::vector<Expect> expected = {
      {PopupImage::LeftTop, {0, 0, 12, 30}, 0x000000C0},
      {PopupImage::RightTop, {313, 0, 14, 30}, 0x0000C0C0},
      {PopupImage::LeftButtom, {0, 217, 8, 10}, 0x00C00000},
      {PopupImage::RightButtom, {321, 217, 6, 10}, 0x00808000},
      {PopupImage::LeftMiddle, {0, 30, 4, 187}, 0x0000C000},
      {PopupImage::RightMiddle, {324, 30, 3, 187}, 0x00404040},
      {PopupImage::MiddleTop, {12, 0, 301, 30}, 0x00C0C000},
      {PopupImage::MiddleButtom, {8, 217, 313, 10}, 0x00C000C0},
      {PopupImage::MiddleMiddle, {4, 30, 320, 187}, 0x00F0F0F0},
      {PopupImage::Icon, {7, 7, 16, 16}, 0x000080FF},
      {PopupImage::Logo, {20, 46, 48, 40}, 0x00203040},
  };
  Surface s(327, 227);
  view_.Form().Render(s.dc());
  for (const auto& e : expected) {
    const Rect r = view_.Image(e.which).Bounds();
    EXPECT_EQ(r, e.rect) << static_cast<int>(e.which);
    // The tile's corners carry its colour, unless a later item covers them.
    EXPECT_EQ(s.Pixel(r.left + r.width - 1, r.top), e.color) << static_cast<int>(e.which);
  }
  EXPECT_EQ(view_.ImgCheck().Picture(), nullptr);
  // Close: (30 - 21) / 2 = 4.5 from the top and the right, applied as 4 and 292 (halves to even).
  EXPECT_EQ(view_.Cmd_Close().Bounds(), (Rect{292, 4, 31, 21}));
  EXPECT_EQ(view_.Cmd_Confirm().Bounds(), (Rect{235, 178, 77, 27}));
  EXPECT_TRUE(view_.Cmd_Close().Visible());
  EXPECT_TRUE(view_.Cmd_Confirm().Visible());
  EXPECT_EQ(view_.Cmd_Confirm().Caption(), L"OK");
  EXPECT_FALSE(view_.Lbl_Date().Visible());
  EXPECT_FALSE(view_.Lbl_Author().Visible());
  EXPECT_EQ(view_.Lbl_Title().Left(), 30);
  EXPECT_EQ(view_.Lbl_Title().Text(), L"Title");
  EXPECT_EQ(view_.Lbl_Content().Left(), 80);
  EXPECT_EQ(view_.Lbl_Content().Top(), 58);
  EXPECT_EQ(view_.Lbl_Content().Width(), 327 - 4 - 3 - 48 - 36);

  // The next message without buttons hides them and shrinks the popup back.
  MsgRecord plain = ButtonsRecord();
  plain.BtnCls.clear();
  plain.BtnCfm.clear();
  view_.LayoutPopup(plain);
  EXPECT_EQ(view_.Form().ClientWidth(), 300);
  EXPECT_EQ(view_.Form().ClientHeight(), 200);
  EXPECT_FALSE(view_.Cmd_Close().Visible());
  EXPECT_FALSE(view_.Cmd_Confirm().Visible());
}

TEST_F(PopupViewTest, DateAndAuthorStackAboveTheConfirmButtonInTheLabelFont) {
  WriteStyle("Full", ConfigXml("Skin", {}));
  Load(L"Full");
  struct Case {
    const char* name;
    std::wstring date;
    std::wstring author;
  };
  const std::vector<Case> cases = {
      {"author narrower", L"2024-05-06 10:30", L"Jo"},
      {"author wider", L"5/6", L"The Editorial Team of Somewhere"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MsgRecord r = ButtonsRecord();
    r.Date = c.date;
    r.DateColor = 0x000000FF;
    r.Author = c.author;
    view_.LayoutPopup(r);
    ui::Label& date = view_.Lbl_Date();
    ui::Label& author = view_.Lbl_Author();
    ASSERT_TRUE(date.Visible());
    ASSERT_TRUE(author.Visible());
    EXPECT_EQ(date.ForeColor(), 0x000000FF);
    const SIZE dateText = view_.Form().MeasureText(c.date, -1);
    const SIZE authorText = view_.Form().MeasureText(c.author, -1);
    // Each row adds its own height and the confirm button's height in width.
    EXPECT_EQ(view_.Form().ClientHeight(), 200 + 27 + dateText.cy + authorText.cy);
    EXPECT_EQ(view_.Form().ClientWidth(), 300 + 3 * 27);
    const int rightEdge = view_.Image(PopupImage::RightMiddle).Left();
    const int wide = std::max(dateText.cx, authorText.cx);
    EXPECT_EQ(date.Width(), wide);
    EXPECT_EQ(author.Width(), wide);
    EXPECT_EQ(date.Left() + wide + 12, rightEdge);
    EXPECT_EQ(author.Left(), date.Left());
    EXPECT_EQ(date.Top(), view_.Cmd_Confirm().Bounds().top - dateText.cy - 12);
    EXPECT_EQ(author.Top(), date.Top() - authorText.cy - 12);
    // The narrower line is the centred one.
    EXPECT_EQ(author.Centred(), authorText.cx <= dateText.cx);
    EXPECT_EQ(date.Centred(), authorText.cx > dateText.cx);
    // The alignment persists across messages; the next case starts left-aligned.
    date.Centred(false);
    author.Centred(false);
  }
}

TEST_F(PopupViewTest, StoppedLayoutKeepsWhatCameBefore) {
  WriteStyle("Full", ConfigXml("Skin", {}));
  Load(L"Full");
  view_.LayoutPopup(ButtonsRecord());
  const Rect icon = view_.Image(PopupImage::Icon).Bounds();
  MsgRecord narrow = ButtonsRecord();
  narrow.BtnCfm.clear();
  narrow.FormWidth = 20 * 15;  // narrower than the two top corners
  view_.LayoutPopup(narrow);
  EXPECT_EQ(view_.Form().ClientWidth(), 20);
  EXPECT_EQ(view_.Image(PopupImage::RightTop).Bounds(), (Rect{6, 0, 14, 30}));
  EXPECT_EQ(view_.Image(PopupImage::MiddleTop).Bounds(), (Rect{12, 0, 301, 30}));
  EXPECT_EQ(view_.Image(PopupImage::Icon).Bounds(), icon);
  EXPECT_EQ(view_.Cmd_Confirm().Bounds(), (Rect{235, 178, 77, 27}));
}

TEST_F(PopupViewTest, RegionIsTheSizePlusOneWithRoundedOrSquareCorners) {
  view_.Form().MoveTwips(0, 0, 300 * 15, 200 * 15);
  struct Case {
    std::int16_t ellipse;
    bool cornerInside;
  };
  for (const Case c : {Case{5, false}, Case{0, true}, Case{5, false}}) {
    view_.SetRoundedRegion(c.ellipse, c.ellipse);
    win::DeleteObjectOwner region(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(view_.Handle(), static_cast<HRGN>(region.get())), ERROR);
    RECT box{};
    ::GetRgnBox(static_cast<HRGN>(region.get()), &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_GE(box.right, 300);
    EXPECT_LE(box.right, 301);
    EXPECT_GE(box.bottom, 200);
    EXPECT_LE(box.bottom, 201);
    EXPECT_EQ(::PtInRegion(static_cast<HRGN>(region.get()), 0, 0) != 0, c.cornerInside) << c.ellipse;
    EXPECT_TRUE(::PtInRegion(static_cast<HRGN>(region.get()), 150, 100));
    EXPECT_TRUE(::PtInRegion(static_cast<HRGN>(region.get()), 150, 0));
  }
}

TEST_F(PopupViewTest, PlacedBottomRightTopmostWithoutActivation) {
  view_.Form().MoveTwips(0, 0, 300 * 15, 200 * 15);
  view_.PlacePopup();
  view_.Show();
  const ui::ScreenMetrics screen = ui::QueryScreenMetrics();
  RECT r{};
  ::GetWindowRect(view_.Handle(), &r);
  // 96 twips are 6.4 pixels: 974.6 and 817.6 round to whole pixels.
  const int screenW = static_cast<int>(screen.widthTwips / 15);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
  EXPECT_EQ(screenW - r.right, 6);
  EXPECT_EQ(screen.workArea.bottom - r.bottom, 6);
  EXPECT_TRUE(::GetWindowLongPtrW(view_.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(::GetActiveWindow(), view_.Handle());
}

// A popup that moves onto a 144-DPI monitor: the window, the buttons (their place and
// their hit test) and the region grow by 1.5; the layout's 96-DPI numbers stay; the frame
// still reaches every edge; and back at 96 DPI everything is as before.
TEST_F(PopupViewTest, MovingToAnotherScaleRescalesWindowButtonsAndRegion) {
  WriteStyle("Tiles", ConfigXml("Skin", {}));
  Load(L"Tiles");
  view_.LayoutPopup(ButtonsRecord());
  view_.SetRoundedRegion(0, 0);
  int clicks = 0;
  view_.OnClick([&clicks] { ++clicks; }, [] {});
  const Rect close96 = view_.Cmd_Close().Bounds();
  ASSERT_EQ(close96, (Rect{292, 4, 31, 21}));
  const auto moveTo = [this](int dpi) {
    RECT suggested{10, 20, 10, 20};
    ::SendMessageW(view_.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  };

  moveTo(144);
  EXPECT_EQ(view_.Form().Dpi(), 144);
  EXPECT_EQ(view_.Form().ClientWidth(), 490);   // 327 * 1.5 = 490.5, halves to even
  EXPECT_EQ(view_.Form().ClientHeight(), 340);  // 227 * 1.5 = 340.5
  EXPECT_EQ(view_.Form().WidthTwips(), 327 * 15);
  RECT window{};
  ::GetWindowRect(view_.Handle(), &window);
  EXPECT_EQ(window.left, 10);
  EXPECT_EQ(window.right - window.left, 490);
  EXPECT_EQ(view_.Cmd_Close().Bounds(), close96);
  RECT close{};
  ::GetWindowRect(view_.Cmd_Close().Handle(), &close);
  ::MapWindowPoints(nullptr, view_.Handle(), reinterpret_cast<POINT*>(&close), 2);
  EXPECT_EQ(close.left, 438);
  EXPECT_EQ(close.top, 6);
  EXPECT_EQ(close.right, 484);  // 323 * 1.5 = 484.5
  EXPECT_EQ(490 - close.right, 6);
  win::DeleteObjectOwner region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(view_.Handle(), static_cast<HRGN>(region.get())), ERROR);
  RECT box{};
  ::GetRgnBox(static_cast<HRGN>(region.get()), &box);
  EXPECT_GE(box.right, 490);
  EXPECT_GE(box.bottom, 340);

  // A press and release near the scaled button's bottom-right corner is inside it.
  const LPARAM nearCorner = MAKELPARAM(44, 28);
  ::SendMessageW(view_.Cmd_Close().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, nearCorner);
  ::SendMessageW(view_.Cmd_Close().Handle(), WM_LBUTTONUP, 0, nearCorner);
  EXPECT_EQ(clicks, 1);

  Surface s(490, 340);
  view_.Form().Render(s.dc());
  const auto color = [](const char* element) {
    for (const auto& t : kTiles)
      if (std::string(t.element) == element) return t.color;
    return 0xFFFFFFFFu;
  };
  for (int y = 0; y < 340; ++y) {
    const std::uint32_t left = s.Pixel(0, y);
    const std::uint32_t right = s.Pixel(489, y);
    ASSERT_TRUE(left == color("LeftTop") || left == color("LeftMiddle") || left == color("LeftButtom")) << y;
    ASSERT_TRUE(right == color("RightTop") || right == color("RightMiddle") || right == color("RightButtom")) << y;
  }
  for (int x = 0; x < 490; ++x) {
    const std::uint32_t bottom = s.Pixel(x, 339);
    ASSERT_TRUE(bottom == color("LeftButtom") || bottom == color("MiddleButtom") || bottom == color("RightButtom"))
        << x;
  }
  EXPECT_EQ(s.Pixel(489, 339), color("RightButtom"));
  EXPECT_EQ(s.Pixel(489, 44), color("RightTop"));  // 30 px of RightTop are 45 device rows
  EXPECT_EQ(s.Pixel(489, 45), color("RightMiddle"));

  moveTo(96);
  EXPECT_EQ(view_.Form().ClientWidth(), 327);
  EXPECT_EQ(view_.Form().ClientHeight(), 227);
  ::GetWindowRect(view_.Cmd_Close().Handle(), &close);
  ::MapWindowPoints(nullptr, view_.Handle(), reinterpret_cast<POINT*>(&close), 2);
  EXPECT_EQ(close.left, 292);
  EXPECT_EQ(close.right - close.left, 31);
}

// Monitors and scales this machine does not have, through the placement's seam.
struct FakeDesk {
  static inline ui::ScreenMetrics primary;
  static inline ui::MonitorArea monitor;  // where the window is, for placing it again
  static inline int monitorDpi = 96;
  static WindowShapeCalls Calls() {
    WindowShapeCalls calls;
    calls.screenMetrics = []() noexcept { return primary; };
    calls.monitorDpi = [](const Edges&) noexcept { return monitorDpi; };
    calls.monitorOf = [](HWND) noexcept { return monitor; };
    return calls;
  }
};

// Size and place are worked out at the scale of the monitor the popup goes to, whatever
// the system's scale, and again after that monitor's scale changes: the popup lies inside
// the work area, 96 twips in at that scale from the monitor's right and the work area's
// bottom.
TEST_F(PopupViewTest, PlacedInsideTheWorkAreaAtTheScaleOfItsMonitor) {
  struct Case {
    const char* name;
    int systemDpi;  // the primary screen's twips per pixel, and the form's first scale
    ui::MonitorArea monitor;
    int monitorDpi;  // when placed
    int changedTo;   // 0, or the monitor's scale afterwards, told by WM_DPICHANGED
    int width, height, margin;
  };
  const ui::MonitorArea laptop{{0, 0, 1366, 768}, {0, 0, 1366, 728}};
  const ui::MonitorArea external{{1366, -312, 3286, 768}, {1366, -312, 3286, 708}};
  const ui::MonitorArea left{{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}};
  const Case cases[] = {
      {"144-dpi monitor beside a 96-dpi system", 96, external, 144, 0, 490, 340, 10},
      {"96-dpi monitor beside a 144-dpi system", 144, left, 96, 0, 327, 227, 6},
      {"120-dpi primary under a 96-dpi system", 96, {}, 120, 0, 409, 284, 8},
      {"scale changed to 150 % without signing out", 96, laptop, 96, 144, 490, 340, 10},
      {"scale changed back to 100 %", 144, external, 144, 96, 327, 227, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PopupView view;
    FakeDesk::primary.twipsPerPixelX = FakeDesk::primary.twipsPerPixelY = ui::TwipsPerPixel(c.systemDpi);
    FakeDesk::primary.widthTwips = 1366 * FakeDesk::primary.twipsPerPixelX;
    FakeDesk::primary.heightTwips = 768 * FakeDesk::primary.twipsPerPixelY;
    FakeDesk::primary.workArea = laptop.workArea;
    const ui::MonitorArea shownOn = c.monitor == ui::MonitorArea{} ? laptop : c.monitor;
    FakeDesk::monitor = shownOn;
    FakeDesk::monitorDpi = c.monitorDpi;
    view.ShapeCalls(FakeDesk::Calls());
    view.Form().SetDpi(c.systemDpi);
    view.LayoutPopup(ButtonsRecord());
    view.PlacePopup(c.monitor);
    if (c.changedTo != 0) {
      FakeDesk::monitorDpi = c.changedTo;
      RECT window{};
      ::GetWindowRect(view.Handle(), &window);
      // The system suggests the old rectangle grown about its top-left corner.
      RECT suggested{window.left, window.top, window.left + ::MulDiv(window.right - window.left, c.changedTo, c.monitorDpi),
                     window.top + ::MulDiv(window.bottom - window.top, c.changedTo, c.monitorDpi)};
      ::SendMessageW(view.Handle(), WM_DPICHANGED, MAKEWPARAM(c.changedTo, c.changedTo),
                     reinterpret_cast<LPARAM>(&suggested));
    }
    RECT r{};
    ::GetWindowRect(view.Handle(), &r);
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_EQ(r.bottom - r.top, c.height);
    EXPECT_EQ(shownOn.monitor.right - r.right, c.margin);
    EXPECT_EQ(shownOn.workArea.bottom - r.bottom, c.margin);
    EXPECT_GE(r.left, shownOn.workArea.left);
    EXPECT_GE(r.top, shownOn.workArea.top);

    // A new message of another size is placed again at once.
    MsgRecord taller = ButtonsRecord();
    taller.FormHeight = 260 * 15;
    view.LayoutPopup(taller);
    ::GetWindowRect(view.Handle(), &r);
    EXPECT_EQ(r.bottom - r.top, ui::ScaleLength(287, view.Form().Dpi()));
    EXPECT_EQ(shownOn.monitor.right - r.right, c.margin);
    EXPECT_EQ(shownOn.workArea.bottom - r.bottom, c.margin);
  }
}

// The shadow's depth is 5 pixels at 96 DPI at every scale the popup is drawn at: when it is
// attached, and after each change of scale.
TEST_F(PopupViewTest, ShadowDepthFollowsThePopupsScale) {
  view_.LayoutPopup(ButtonsRecord());
  view_.Form().SetDpi(144);
  CL10 shadow;
  ApplyShadow(view_.Handle(), shadow, [this] { return view_.Form().Dpi(); });
  view_.Show();
  uitest::PumpMessages(50);
  const auto expectDepth = [&](int depth) {
    RECT owner{};
    ::GetWindowRect(view_.Handle(), &owner);
    const OwnerPosition at{owner.left, owner.top, owner.right - owner.left, owner.bottom - owner.top, 0};
    for (ShadowSide side : {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Left, ShadowSide::Top}) {
      RECT strip{};
      ::GetWindowRect(shadow.SideWindow(side), &strip);
      const Rect expected = SideRect(side, at, depth);
      EXPECT_EQ(strip.left, expected.left) << static_cast<int>(side);
      EXPECT_EQ(strip.right - strip.left, expected.width) << static_cast<int>(side);
      EXPECT_EQ(strip.bottom - strip.top, expected.height) << static_cast<int>(side);
    }
  };
  expectDepth(8);  // 7.5, halves to even
  for (const auto& [dpi, depth] : {std::pair{96, 5}, std::pair{120, 6}, std::pair{192, 10}}) {
    RECT suggested{50, 60, 50, 60};
    ::SendMessageW(view_.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    uitest::PumpMessages(20);
    SCOPED_TRACE(dpi);
    expectDepth(depth);
  }
}

// Alt+F4 (through the system's own key handling), Esc on the form or on a focused button,
// and any WM_CLOSE all act as the close button; the window itself stays for the next
// message. The end of the session reaches its own handler, and only when it really ends.
TEST_F(PopupViewTest, CloseRequestsActAsTheCloseButtonAndTheSessionEndHasItsOwnHandler) {
  int closes = 0;
  int confirms = 0;
  int ends = 0;
  view_.OnClick([&] { ++closes; }, [&] { ++confirms; });
  view_.Form().OnEndSession([&] { ++ends; });
  view_.LayoutPopup(ButtonsRecord());
  view_.Show();
  const HWND form = view_.Handle();

  ::SendMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  ::SendMessageW(form, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(closes, 2);
  ::SendMessageW(view_.Cmd_Confirm().Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(closes, 3) << "Esc with the focus on a button";
  ::SendMessageW(form, WM_KEYDOWN, 'A', 1);
  ::SendMessageW(form, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(closes, 3) << "only Esc closes";
  ::SendMessageW(form, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));  // context bit: Alt is down
  uitest::PumpMessages(200);
  EXPECT_EQ(closes, 4) << "Alt+F4";
  EXPECT_EQ(confirms, 0);
  EXPECT_TRUE(::IsWindow(form));
  EXPECT_TRUE(view_.Form().Visible()) << "hiding is the close handler's decision";

  EXPECT_EQ(::SendMessageW(form, WM_QUERYENDSESSION, 0, 0), TRUE);
  ::SendMessageW(form, WM_ENDSESSION, FALSE, 0);  // another program refused: the session goes on
  EXPECT_EQ(ends, 0);
  ::SendMessageW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(closes, 4);
}

// A region or topmost placement the system refuses is not an error: the popup is shown
// whole (never clipped by the previous message's region) and where it belongs.
TEST_F(PopupViewTest, RefusedRegionOrPlacementLeavesThePopupWithoutThatEffect) {
  static int regionsAsked = 0;
  static int regionsSet = 0;
  static int placements = 0;
  WindowShapeCalls noRegion;
  noRegion.createRoundRectRgn = [](int, int, int, int, int, int) -> HRGN {
    ++regionsAsked;
    return nullptr;
  };
  WindowShapeCalls refused;
  refused.setWindowRgn = [](HWND, HRGN, BOOL) -> int {
    ++regionsSet;
    return 0;
  };
  refused.setWindowPos = [](HWND, HWND, int, int, int, int, UINT) -> BOOL {
    ++placements;
    return FALSE;
  };
  const auto hasRegion = [&] {
    win::DeleteObjectOwner region(::CreateRectRgn(0, 0, 0, 0));
    return ::GetWindowRgn(view_.Handle(), static_cast<HRGN>(region.get())) != ERROR;
  };
  view_.Form().MoveTwips(0, 0, 300 * 15, 200 * 15);
  view_.SetRoundedRegion(5, 5);
  ASSERT_TRUE(hasRegion());
  SetRoundedRegion(view_.Form(), 5, 5, noRegion);
  EXPECT_EQ(regionsAsked, 1);
  EXPECT_FALSE(hasRegion()) << "the previous message's region must not clip this one";
  SetRoundedRegion(view_.Form(), 5, 5, refused);
  EXPECT_EQ(regionsSet, 1);
  EXPECT_FALSE(hasRegion());

  PlacePopup(view_.Form(), refused);
  EXPECT_EQ(placements, 1);
  view_.Show();
  RECT r{};
  ::GetWindowRect(view_.Handle(), &r);
  const ui::ScreenMetrics screen = ui::QueryScreenMetrics();
  EXPECT_EQ(screen.workArea.bottom - r.bottom, 6) << "still moved to the bottom right";
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_TRUE(view_.Form().Visible());
}

// Real pixels of the close button: a face strip whose five cells have five colours. The
// pointer rests on the button when one message ends; the next message shows it at rest.
TEST_F(PopupViewTest, AButtonHoveredWhenAMessageEndsIsAtRestOnTheNext) {
  constexpr std::uint32_t kCellColours[] = {0xFFC00000, 0xFF00C000, 0xFF0000C0, 0xFFC0C000, 0xFF00C0C0};
  WriteStyle("Faces", ConfigXml("Skin", {}, {{"Close", "face.bmp"}}));
  test::WriteBytes(dir_ / "Image" / "Faces" / "face.bmp",
                   test::MakeBmp(5 * 19, 23, [&](int x, int) { return kCellColours[x / 19]; }));
  Load(L"Faces");
  view_.LayoutPopup(ButtonsRecord());
  view_.PlacePopup();
  view_.Show();
  const HWND close = view_.Cmd_Close().Handle();
  // Inside the face's middle, left of the centred caption; 0x00BBGGRR from 0xAARRGGBB.
  const auto shownColour = [&] {
    ::UpdateWindow(close);
    const HDC dc = ::GetDC(close);
    const COLORREF c = ::GetPixel(dc, 6, 10);
    ::ReleaseDC(close, dc);
    return static_cast<std::uint32_t>(c);
  };
  const auto bgr = [](std::uint32_t argb) {
    return ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
  };
  ASSERT_EQ(shownColour(), bgr(kCellColours[0]));
  ::SendMessageW(close, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  ASSERT_EQ(shownColour(), bgr(kCellColours[3])) << "hover face";
  view_.LayoutPopup(ButtonsRecord());  // the next message, with the same look
  EXPECT_EQ(shownColour(), bgr(kCellColours[0])) << "the hover face carried over";
}

// Each message shows its own logo: another file replaces it, the same file is not read
// again, a missing file keeps what is there.
TEST_F(PopupViewTest, EachMessageGetsItsOwnLogoAndAMissingOneKeepsTheLast) {
  WriteStyle("Full", ConfigXml("Skin", {}));
  Load(L"Full", L"logo.bmp");
  ui::ImageControl& logo = view_.Image(PopupImage::Logo);
  const ui::PicturePtr first = logo.Picture();
  ASSERT_NE(first, nullptr);
  MsgRecord r;
  r.Logo = L"logo.bmp";
  view_.LoadLogo(r);
  EXPECT_EQ(logo.Picture(), first) << "the style already loaded this file";
  r.Logo = L"logo2.bmp";
  view_.LoadLogo(r);
  ASSERT_NE(logo.Picture(), first);
  EXPECT_EQ(logo.Picture()->Width(), 20);
  const ui::PicturePtr second = logo.Picture();
  r.Logo = L"absent.bmp";
  view_.LoadLogo(r);
  EXPECT_EQ(logo.Picture(), second);
  r.Logo = L"LOGO.BMP";
  view_.LoadLogo(r);
  EXPECT_EQ(logo.Picture()->Width(), 48);
}

}  // namespace
}  // namespace notify
