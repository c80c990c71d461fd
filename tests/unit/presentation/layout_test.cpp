#include "presentation/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace notify {
namespace {

// Fixed-pitch text: every character is charWidth wide, every line lineHeight high.
class PitchMeasure : public TextMeasure {
 public:
  float charWidth = 7;
  float lineHeight = 12;

  SizeF MeasureLine(const std::wstring& text) const override {
    return {charWidth * static_cast<float>(text.size()), lineHeight};
  }
  float WrappedHeight(const std::wstring& text, float width) const override {
    const auto perLine = std::max(1.0f, std::floor(width / charWidth));
    const auto lines = std::max(1.0f, std::ceil(static_cast<float>(text.size()) / perLine));
    return lines * lineHeight;
  }
};

// Natural sizes chosen all different, so that a swapped tile shows up.
struct Natural {
  PopupImage which;
  SizeF size;
};
const std::vector<Natural> kSkin = {
    {PopupImage::LeftTop, {12, 30}},    {PopupImage::RightTop, {14, 30}},
    {PopupImage::LeftButtom, {8, 10}},  {PopupImage::RightButtom, {6, 10}},
    {PopupImage::LeftMiddle, {4, 1}},   {PopupImage::RightMiddle, {3, 1}},
    {PopupImage::MiddleTop, {2, 30}},   {PopupImage::MiddleButtom, {2, 10}},
    {PopupImage::MiddleMiddle, {9, 9}}, {PopupImage::Icon, {17, 17}},
    {PopupImage::Logo, {48, 40}},
};

// A popup as the form creates it: the buttons at their design-time sizes.
PopupModel DesignTimePopup() {
  PopupModel model;
  for (const auto& n : kSkin) model.image(n.which).natural = n.size;
  model.close.box = {0, 0, 31, 21};
  model.confirm.box = {0, 0, 77, 27};
  return model;
}

// 300 x 200 pixels, nothing optional.
MsgRecord PlainRecord() {
  MsgRecord r;
  r.ID = L"m1";
  r.FormColor = 0x00336699;
  r.FormWidth = 300 * 15;
  r.FormHeight = 200 * 15;
  r.Title = L"Hello";
  r.TitleColor = 0x000000FF;
  r.Content = L"Some content";
  r.ContentColor = 0x0000FF00;
  return r;
}

std::optional<int> Lay(PopupModel& model, const MsgRecord& record, const PitchMeasure& measure = {}) {
  return LayoutPopupModel(model, record, measure);
}

TEST(LayoutRounding, HalvesGoToTheEvenNeighbour) {
  const std::vector<std::pair<float, float>> cases = {
      {0.5f, 0.0f}, {1.5f, 2.0f}, {2.5f, 2.0f}, {3.5f, 4.0f}, {-1.5f, -2.0f}, {-2.5f, -2.0f},
      {2.4f, 2.0f}, {2.6f, 3.0f}, {7.0f, 7.0f},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(RoundHalfEven(in), out) << in;
}

TEST(LayoutFrame, EveryTileAndItemLandsAtItsComputedBox) {
  PopupModel model = DesignTimePopup();
  ASSERT_EQ(Lay(model, PlainRecord()), std::nullopt);

  struct Expect {
    PopupImage which;
    RectF box;
  };
  const std::vector<Expect> expected = {
      {PopupImage::LeftTop, {0, 0, 12, 30}},
      {PopupImage::RightTop, {286, 0, 14, 30}},
      {PopupImage::LeftButtom, {0, 190, 8, 10}},
      {PopupImage::RightButtom, {294, 190, 6, 10}},
      {PopupImage::LeftMiddle, {0, 30, 4, 160}},
      {PopupImage::RightMiddle, {297, 30, 3, 160}},
      {PopupImage::MiddleTop, {12, 0, 274, 30}},
      {PopupImage::MiddleButtom, {8, 190, 286, 10}},
      {PopupImage::MiddleMiddle, {4, 30, 293, 160}},
      {PopupImage::Icon, {6.5f, 6.5f, 17, 17}},
      {PopupImage::Logo, {20, 46, 48, 40}},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(model.image(e.which).box, e.box) << "image " << static_cast<int>(e.which);
  }
  EXPECT_EQ(model.backColor, 0x00336699);
  EXPECT_EQ(model.title.box, (RectF{30, 9, 35, 12}));
  EXPECT_EQ(model.title.color, 0x000000FF);
  EXPECT_EQ(model.title.text, L"Hello");
  // 209 px wide holds 29 characters a line: 12 characters are one line.
  EXPECT_EQ(model.content.box, (RectF{80, 58, 209, 12}));
  EXPECT_EQ(model.content.color, 0x0000FF00);
  // Buttons are placed even when hidden.
  EXPECT_EQ(model.close.box, (RectF{264.5f, 4.5f, 31, 21}));
  EXPECT_EQ(model.confirm.box, (RectF{208, 151, 77, 27}));
  EXPECT_EQ(model.checkPicture, std::nullopt);
}

TEST(LayoutFrame, ContentHeightFollowsTheWrappedText) {
  PopupModel model = DesignTimePopup();
  MsgRecord r = PlainRecord();
  r.Content = std::wstring(60, L'w');  // 29 a line: three lines
  ASSERT_EQ(Lay(model, r), std::nullopt);
  EXPECT_EQ(model.content.box.width, 209);
  EXPECT_EQ(model.content.box.height, 36);
}

TEST(LayoutFrame, PictureLessControlsMeasureZero) {
  PopupModel model;  // no picture anywhere
  ASSERT_EQ(Lay(model, PlainRecord()), std::nullopt);
  EXPECT_EQ(model.image(PopupImage::RightTop).box, (RectF{300, 0, 0, 0}));
  EXPECT_EQ(model.image(PopupImage::MiddleMiddle).box, (RectF{0, 0, 300, 200}));
  EXPECT_EQ(model.image(PopupImage::Logo).box, (RectF{16, 16, 0, 0}));
}

// The optional rows: which items show and how the popup grows.
struct RowCase {
  const char* name;
  std::wstring btnCfm;
  std::int16_t cfmHeight;
  std::wstring date;
  std::wstring author;
  float confirmHeightBefore;  // left from an earlier message
  float widthTwips;
  float heightTwips;
  bool confirmShown;
  RectF dateBox;
  RectF authorBox;
  bool authorCentred;
};

TEST(LayoutRows, PopupGrowsByEachShownRow) {
  const std::vector<RowCase> cases = {
      {"nothing optional", L"", 0, L"", L"", 27, 4500, 3000, false, {}, {}, false},
      // 27 + 12 in height, 27 + 27 in width; the date sits 12 px above the button.
      {"confirm and date", L"OK", 27, L"2024-05-06", L"", 27, 4500 + 54 * 15, 3000 + 39 * 15, true,
       {269, 166, 70, 12}, {}, false},
      // No confirm: the date sits 12 px above the bottom tile, width grows by 27 anyway.
      {"date alone", L"", 0, L"2024-05-06", L"", 27, 4500 + 27 * 15, 3000 + 12 * 15, false,
       {242, 178, 70, 12}, {}, false},
      {"date alone after a 33 px confirm", L"", 0, L"2024-05-06", L"", 33, 4500 + 33 * 15, 3000 + 12 * 15, false,
       {248, 178, 70, 12}, {}, false},
      // A 40 px confirm grows the width by 40 for each of the three rows; the narrower
      // author line then takes the date line's left edge and width.
      {"all three rows", L"OK", 40, L"2024-05-06", L"Jo Bloggs", 27, 4500 + 120 * 15, 3000 + 64 * 15, true,
       {335, 178, 70, 12}, {335, 154, 70, 12}, true},
      {"author alone", L"", 0, L"", L"Jo", 27, 4500 + 27 * 15, 3000 + 12 * 15, false, {}, {298, 178, 14, 12},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PopupModel model = DesignTimePopup();
    model.confirm.box.height = c.confirmHeightBefore;
    const RectF untouchedDate{1, 2, 3, 4};
    model.date.box = untouchedDate;
    model.author.box = untouchedDate;
    MsgRecord r = PlainRecord();
    r.BtnCfm = c.btnCfm;
    r.BtnCfmWidth = 77;
    r.BtnCfmHeight = c.cfmHeight;
    r.Date = c.date;
    r.Author = c.author;
    ASSERT_EQ(Lay(model, r), std::nullopt);
    EXPECT_EQ(model.widthTwips, c.widthTwips);
    EXPECT_EQ(model.heightTwips, c.heightTwips);
    EXPECT_EQ(model.confirm.visible, c.confirmShown);
    EXPECT_FALSE(model.close.visible);
    EXPECT_EQ(model.date.visible, !c.date.empty());
    EXPECT_EQ(model.author.visible, !c.author.empty());
    if (!c.date.empty()) {
      EXPECT_EQ(model.date.box, c.dateBox);
    }
    if (!c.author.empty()) {
      EXPECT_EQ(model.author.box, c.authorBox);
    }
    EXPECT_FALSE(model.date.centred);
    EXPECT_EQ(model.author.centred, c.authorCentred);
  }
}

TEST(LayoutRows, ButtonsTakeTheirRecordValues) {
  PopupModel model = DesignTimePopup();
  MsgRecord r = PlainRecord();
  r.BtnCls = L"X";
  r.BtnClsColor = 0x0000AA00;
  r.BtnClsPColor = 0x00FFFFFF;
  r.BtnClsWidth = 20;
  r.BtnClsHeight = 17;
  r.BtnCfm = L"\u786E\u5B9A";
  r.BtnCfmColor = 0x00112233;
  r.BtnCfmPColor = 0x00445566;
  r.BtnCfmWidth = 60;
  r.BtnCfmHeight = 25;
  ASSERT_EQ(Lay(model, r), std::nullopt);
  // The close button does not grow the popup.
  EXPECT_EQ(model.widthTwips, 4500 + 25 * 15);
  EXPECT_EQ(model.heightTwips, 3000 + 25 * 15);
  EXPECT_TRUE(model.close.visible);
  EXPECT_EQ(model.close.caption, L"X");
  EXPECT_EQ(model.close.foreColor, 0x0000AA00);
  EXPECT_EQ(model.close.pColor, 0x00FFFFFF);
  // 325 px wide; (30 - 17) / 2 = 6.5 above and right of the close button.
  EXPECT_EQ(model.close.box, (RectF{298.5f, 6.5f, 20, 17}));
  EXPECT_TRUE(model.confirm.visible);
  EXPECT_EQ(model.confirm.caption, L"\u786E\u5B9A");
  EXPECT_EQ(model.confirm.foreColor, 0x00112233);
  EXPECT_EQ(model.confirm.pColor, 0x00445566);
  EXPECT_EQ(model.confirm.box, (RectF{322 - 60 - 12, 225 - 10 - 25 - 12, 60, 25}));
}

TEST(LayoutRows, EqualDateAndAuthorWidthsCentreTheAuthor) {
  struct Case {
    const char* name;
    std::wstring date;
    std::wstring author;
    bool dateCentred;
    bool authorCentred;
  };
  const std::vector<Case> cases = {
      {"equal widths", L"ABCDE", L"abcde", false, true},
      {"date wider", L"ABCDEFG", L"abc", false, true},
      {"author wider", L"AB", L"abcdefgh", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PopupModel model = DesignTimePopup();
    MsgRecord r = PlainRecord();
    r.Date = c.date;
    r.Author = c.author;
    ASSERT_EQ(Lay(model, r), std::nullopt);
    EXPECT_EQ(model.date.centred, c.dateCentred);
    EXPECT_EQ(model.author.centred, c.authorCentred);
    // One block: both lines share the wider line's left edge and width, flush right.
    const float wide = 7.0f * static_cast<float>(std::max(c.date.size(), c.author.size()));
    EXPECT_EQ(model.date.box.width, wide);
    EXPECT_EQ(model.author.box.width, wide);
    EXPECT_EQ(model.date.box.left, model.author.box.left);
    EXPECT_EQ(model.date.box.left + wide + 12, model.image(PopupImage::RightMiddle).box.left);
    EXPECT_EQ(model.author.box.top, model.date.box.top - 12 - 12);
  }
}

TEST(LayoutRows, HalfPixelClientSizesRoundToEven) {
  struct Case {
    float dateHeight;  // a fractional line height makes the popup height fractional in pixels
    float clientHeight;
  };
  // 3000 twips + h * 15: 200 + h pixels.
  const std::vector<Case> cases = {{0.5f, 200}, {1.5f, 202}, {2.5f, 202}, {3.5f, 204}, {0.4f, 200}, {0.6f, 201}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dateHeight);
    PitchMeasure measure;
    measure.lineHeight = c.dateHeight;
    PopupModel model = DesignTimePopup();
    MsgRecord r = PlainRecord();
    r.Date = L"d";
    ASSERT_EQ(Lay(model, r, measure), std::nullopt);
    // The bottom-left tile sits at CH - its height.
    EXPECT_EQ(model.image(PopupImage::LeftButtom).box.top, c.clientHeight - 10);
  }
}

TEST(LayoutRows, BaseLinesRoundToEven) {
  struct Case {
    float bottomTile;
    float dateTop;
  };
  // No confirm: Base1 = CH - bottom tile height, rounded; date 12 px high, 12 px above.
  const std::vector<Case> cases = {{10.5f, 190 - 24}, {11.5f, 188 - 24}, {10.25f, 190 - 24}, {9.5f, 190 - 24}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bottomTile);
    PopupModel model = DesignTimePopup();
    model.image(PopupImage::MiddleButtom).natural.height = c.bottomTile;
    MsgRecord r = PlainRecord();
    r.FormHeight = 3000 - 12 * 15;  // keeps CH at 200 with the date row
    r.Date = L"d";
    ASSERT_EQ(Lay(model, r), std::nullopt);
    EXPECT_EQ(model.date.box.top, c.dateTop);
  }
}

TEST(LayoutCentring, OddDifferencesGiveHalfPixels) {
  struct Case {
    float bandHeight;
    float iconHeight;
    float titleHeight;
    float closeHeight;
    float iconTop;
    float titleTop;
    float closeTop;
  };
  const std::vector<Case> cases = {
      {30, 17, 12, 21, 6.5f, 9, 4.5f},
      {31, 16, 13, 20, 7.5f, 9, 5.5f},
      {24, 24, 12, 24, 0, 6, 0},
      {20, 25, 11, 21, -2.5f, 4.5f, -0.5f},  // taller than the band: negative margins are allowed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bandHeight);
    PitchMeasure measure;
    measure.lineHeight = c.titleHeight;
    PopupModel model = DesignTimePopup();
    model.image(PopupImage::MiddleTop).natural.height = c.bandHeight;
    model.image(PopupImage::Icon).natural = {c.iconHeight, c.iconHeight};
    MsgRecord r = PlainRecord();
    r.BtnCls = L"X";
    r.BtnClsWidth = 31;
    r.BtnClsHeight = static_cast<std::int16_t>(c.closeHeight);
    ASSERT_EQ(Lay(model, r, measure), std::nullopt);
    const RectF icon = model.image(PopupImage::Icon).box;
    EXPECT_EQ(icon.top, c.iconTop);
    EXPECT_EQ(icon.left, c.iconTop);  // left margin equals top margin
    EXPECT_EQ(model.title.box.top, c.titleTop);
    EXPECT_EQ(model.title.box.left, 2 * c.iconTop + c.iconHeight);
    EXPECT_EQ(model.close.box.top, c.closeTop);
    EXPECT_EQ(model.close.box.left + 31 + c.closeTop, 300);  // right margin equals top margin
  }
}

// A negative extent ends the layout at its step; what came before stays, the rest keeps
// the earlier message's values.
TEST(LayoutStops, NarrowPopupStopsAtTheTopBand) {
  PopupModel before = DesignTimePopup();
  ASSERT_EQ(Lay(before, PlainRecord()), std::nullopt);  // an earlier, normal message
  const RectF earlier{1, 2, 3, 4};
  for (const auto later : {PopupImage::MiddleTop, PopupImage::MiddleButtom, PopupImage::MiddleMiddle,
                           PopupImage::Icon, PopupImage::Logo}) {
    before.image(later).box = earlier;
  }
  before.close.box = earlier;
  before.confirm.box = earlier;

  PopupModel model = before;
  MsgRecord r = PlainRecord();
  r.FormWidth = 20 * 15;  // narrower than 12 + 14 px of top corners
  r.Title = L"Other";
  EXPECT_EQ(Lay(model, r), 14);

  EXPECT_EQ(model.widthTwips, 300);
  EXPECT_EQ(model.image(PopupImage::RightTop).box, (RectF{6, 0, 14, 30}));
  EXPECT_EQ(model.image(PopupImage::RightMiddle).box, (RectF{17, 30, 3, 160}));
  // Top, left and height of the band were set before its width failed.
  EXPECT_EQ(model.image(PopupImage::MiddleTop).box, (RectF{12, 0, 3, 30}));
  for (const auto later : {PopupImage::MiddleButtom, PopupImage::MiddleMiddle, PopupImage::Icon, PopupImage::Logo}) {
    EXPECT_EQ(model.image(later).box, before.image(later).box) << static_cast<int>(later);
  }
  EXPECT_EQ(model.title, before.title);
  EXPECT_EQ(model.content, before.content);
  EXPECT_EQ(model.close.box, before.close.box);
  EXPECT_EQ(model.confirm.box, before.confirm.box);
  EXPECT_EQ(model.checkPicture, PopupImage::MiddleTop);  // never cleared
}

TEST(LayoutStops, EachNegativeExtentStopsAtItsStep) {
  struct Case {
    const char* name;
    void (*change)(MsgRecord&, PopupModel&);
    int step;
  };
  const std::vector<Case> cases = {
      {"negative form width", [](MsgRecord& r, PopupModel&) { r.FormWidth = -15; }, 2},
      {"negative close width", [](MsgRecord& r, PopupModel&) { r.BtnCls = L"X"; r.BtnClsWidth = -1; }, 3},
      {"negative confirm height", [](MsgRecord& r, PopupModel&) { r.BtnCfm = L"OK"; r.BtnCfmHeight = -2; }, 4},
      {"popup lower than its left corners", [](MsgRecord& r, PopupModel&) { r.FormHeight = 30 * 15; }, 12},
      {"right corners taller than the left", [](MsgRecord&, PopupModel& m) {
         m.image(PopupImage::RightTop).natural.height = 195; }, 13},
      {"bottom corners wider than the popup", [](MsgRecord&, PopupModel& m) {
         m.image(PopupImage::LeftButtom).natural.width = 296; }, 15},
      {"centre narrower than its edges", [](MsgRecord&, PopupModel& m) {
         m.image(PopupImage::LeftMiddle).natural.width = 290;
         m.image(PopupImage::RightMiddle).natural.width = 20; }, 16},
      {"logo wider than the body", [](MsgRecord&, PopupModel& m) {
         m.image(PopupImage::Logo).natural.width = 260; }, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PopupModel model = DesignTimePopup();
    MsgRecord r = PlainRecord();
    c.change(r, model);
    EXPECT_EQ(Lay(model, r), c.step);
  }
}

TEST(LayoutStops, WhatWasSetBeforeTheFailingStepStays) {
  PopupModel model = DesignTimePopup();
  MsgRecord r = PlainRecord();
  r.BtnCls = L"Close";
  r.BtnClsColor = 0x00010203;
  r.BtnClsWidth = -1;
  r.BtnClsHeight = 9;
  ASSERT_EQ(Lay(model, r), 3);
  EXPECT_EQ(model.backColor, 0x00336699);
  EXPECT_EQ(model.widthTwips, 4500);
  EXPECT_EQ(model.close.caption, L"Close");
  EXPECT_EQ(model.close.foreColor, 0x00010203);
  EXPECT_TRUE(model.close.visible);
  EXPECT_EQ(model.close.box, (RectF{0, 0, 31, 21}));  // neither width nor height taken

  // The content label got its text before its width failed.
  PopupModel wide = DesignTimePopup();
  wide.image(PopupImage::Logo).natural.width = 260;
  wide.content.box.width = 55;
  MsgRecord c = PlainRecord();
  ASSERT_EQ(Lay(wide, c), 20);
  EXPECT_EQ(wide.content.text, L"Some content");
  EXPECT_EQ(wide.content.box.left, 20 + 260 + 12);
  EXPECT_EQ(wide.content.box.top, 58);
  EXPECT_EQ(wide.content.box.width, 55);
}

}  // namespace
}  // namespace notify
