#include "presentation/skin_style.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../platform/xml/xml_test_support.h"
#include "platform/error.h"
#include "platform/text.h"
#include "test_support.h"

namespace notify {
namespace {

std::string TargetName(SkinTarget target) {
  if (target == SkinTarget::Logo) return "Logo";
  for (const auto& e : kSkinElements) {
    if (e.target == target) return ToUtf8(e.name);
  }
  return "?";
}

// Records what the skin set, in order; a file whose name holds "broken" cannot be read.
class RecordingPictures : public SkinPictures {
 public:
  std::vector<std::string> calls;
  std::vector<std::wstring> paths;

  void SetPicture(SkinTarget target, const std::wstring& path) override {
    calls.push_back(TargetName(target));
    paths.push_back(path);
    if (path.find(L"broken") != std::wstring::npos) Fail("unreadable picture");
  }
  void ClearPicture(SkinTarget target) override { calls.push_back("clear " + TargetName(target)); }
};

const char* kAllElements =
    "<Icon>icon.bmp</Icon><LeftTop>lt.bmp</LeftTop><LeftMiddle>lm.bmp</LeftMiddle>"
    "<LeftButtom>lb.bmp</LeftButtom><MiddleTop>mt.bmp</MiddleTop><MiddleMiddle>mm.bmp</MiddleMiddle>"
    "<MiddleButtom>mb.bmp</MiddleButtom><RightTop>rt.bmp</RightTop><RightMiddle>rm.bmp</RightMiddle>"
    "<RightButtom>rb.bmp</RightButtom><Close>close.bmp</Close><Confirm>confirm.bmp</Confirm>";

const std::vector<std::string> kAllPictures = {"icon.bmp", "lt.bmp",  "lm.bmp", "lb.bmp", "mt.bmp",    "mm.bmp",
                                               "mb.bmp",   "rt.bmp",  "rm.bmp", "rb.bmp", "close.bmp", "confirm.bmp"};

const std::vector<std::string> kAllTargets = {"Logo",     "Icon",         "LeftTop",  "LeftMiddle",
                                              "LeftButtom", "MiddleTop",  "MiddleMiddle", "MiddleButtom",
                                              "RightTop", "RightMiddle", "RightButtom", "Close", "Confirm"};

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  const auto at = text.find(what);
  if (at != std::string::npos) text.replace(at, what.size(), with);
  return text;
}

std::vector<std::string> Without(std::vector<std::string> list, const std::vector<std::string>& drop) {
  std::erase_if(list, [&](const std::string& s) { return std::find(drop.begin(), drop.end(), s) != drop.end(); });
  return list;
}

// Everything applied, with the centre cleared instead of set.
std::vector<std::string> CentreCleared() {
  auto list = kAllTargets;
  *std::find(list.begin(), list.end(), "MiddleMiddle") = "clear MiddleMiddle";
  return list;
}

struct SkinCase {
  const char* name;
  std::string config;  // empty: no Config.xml at all
  std::vector<std::string> pictures;
  std::vector<std::string> expected;
};

std::vector<SkinCase> Cases() {
  const std::string full = std::string("<Skin>") + kAllElements + "</Skin>";
  return {
      {"full style", full, kAllPictures, kAllTargets},
      {"any root name", std::string("<Whatever>") + kAllElements + "</Whatever>", kAllPictures, kAllTargets},
      {"schema instruction before the root",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<?xml-model href=\"../../../docs/schema/Config.xsd\" "
       "type=\"application/xml\" schematypens=\"http://www.w3.org/2001/XMLSchema\"?>\r\n" + full,
       kAllPictures, kAllTargets},
      {"no Icon element: only the logo", Replace(full, "<Icon>icon.bmp</Icon>", ""), kAllPictures, {"Logo"}},
      {"no Close and Confirm: tiles change, faces stay",
       Replace(Replace(full, "<Close>close.bmp</Close>", ""), "<Confirm>confirm.bmp</Confirm>", ""), kAllPictures,
       Without(kAllTargets, {"Close", "Confirm"})},
      {"missing centre file clears the centre", full, Without(kAllPictures, {"mm.bmp"}), CentreCleared()},
      {"missing tile file leaves the tile", full, Without(kAllPictures, {"rt.bmp", "icon.bmp"}),
       Without(kAllTargets, {"RightTop", "Icon"})},
      {"empty centre text clears the centre", Replace(full, "mm.bmp", ""), kAllPictures, CentreCleared()},
      {"no Config.xml", "", kAllPictures, {}},
      {"not well-formed", "<Skin><Icon>icon.bmp</Skin>", kAllPictures, {}},
      {"prefixed root: logo only",
       std::string("<p:Skin xmlns:p=\"urn:x\">") + kAllElements + "</p:Skin>", kAllPictures, {"Logo"}},
      {"names match with case", Replace(full, "<LeftTop>lt.bmp</LeftTop>", "<lefttop>lt.bmp</lefttop>"),
       kAllPictures, {"Logo", "Icon"}},
      {"Bottom is not Buttom", Replace(full, "<LeftButtom>lb.bmp</LeftButtom>", "<LeftBottom>lb.bmp</LeftBottom>"),
       kAllPictures, {"Logo", "Icon", "LeftTop", "LeftMiddle"}},
      {"unreadable picture ends the load", Replace(full, "mt.bmp", "broken.bmp"),
       [] { auto p = kAllPictures; p.push_back("broken.bmp"); return p; }(),
       {"Logo", "Icon", "LeftTop", "LeftMiddle", "LeftButtom", "MiddleTop"}},
      {"pictures in sub-folders", Replace(full, "lt.bmp", "sub\\deep.bmp"),
       [] { auto p = kAllPictures; p.push_back("sub/deep.bmp"); return p; }(), kAllTargets},
  };
}

class SkinStyleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document_ = xml::test::NewDocument();
    ASSERT_NE(document_, nullptr);
    folder_ = xml::test::ModulePath(dir_.path()) + L"\\";
  }

  void WriteStyle(const std::string& style, const SkinCase& c) {
    const auto styleDir = dir_.path() / "Image" / style;
    std::filesystem::create_directories(styleDir);
    if (!c.config.empty()) test::WriteBytes(styleDir / "Config.xml", c.config);
    for (const auto& p : c.pictures) test::WriteBytes(styleDir / p, "x");
  }

  test::TempDir dir_;
  std::unique_ptr<xml::DomDocument> document_;
  std::wstring folder_;
};

TEST_F(SkinStyleTest, ElementsApplyInTableOrderUntilTheFirstFailure) {
  test::WriteBytes(dir_.path() / "Image" / "Logo" / "logo.bmp", "x");
  const auto cases = Cases();
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string style = "Style" + std::to_string(n++);
    WriteStyle(style, c);
    MsgRecord record;
    record.Style = FromUtf8(style);
    record.Logo = L"logo.bmp";
    RecordingPictures pictures;
    LoadSkinStyle(record, folder_, document_.get(), pictures);
    EXPECT_EQ(pictures.calls, c.expected);
  }
}

TEST_F(SkinStyleTest, PathsAreThePlainConcatenation) {
  EXPECT_EQ(StyleFolder(L"C:\\App\\", L"Blue Sky"), L"C:\\App\\Image\\Blue Sky\\");
  EXPECT_EQ(SkinConfigPath(L"C:\\App\\Image\\Blue\\"), L"C:\\App\\Image\\Blue\\Config.xml");
  EXPECT_EQ(LogoPath(L"C:\\App\\", L"a.png"), L"C:\\App\\Image\\Logo\\a.png");

  test::WriteBytes(dir_.path() / "Image" / "Logo" / "logo.bmp", "x");
  WriteStyle("Blue", Cases()[0]);
  MsgRecord record;
  record.Style = L"Blue";
  record.Logo = L"logo.bmp";
  RecordingPictures pictures;
  LoadSkinStyle(record, folder_, document_.get(), pictures);
  ASSERT_EQ(pictures.paths.size(), 13u);
  EXPECT_EQ(pictures.paths[0], folder_ + L"Image\\Logo\\logo.bmp");
  EXPECT_EQ(pictures.paths[1], folder_ + L"Image\\Blue\\icon.bmp");
  EXPECT_EQ(pictures.paths[12], folder_ + L"Image\\Blue\\confirm.bmp");
}

TEST_F(SkinStyleTest, MissingLogoOrDocumentChangesNothingElse) {
  WriteStyle("Blue", Cases()[0]);
  MsgRecord record;
  record.Style = L"Blue";
  record.Logo = L"absent.png";
  RecordingPictures pictures;
  LoadSkinStyle(record, folder_, document_.get(), pictures);
  EXPECT_EQ(pictures.calls, Without(kAllTargets, {"Logo"}));

  // An empty logo name names the Logo folder itself, which is no file.
  std::filesystem::create_directories(dir_.path() / "Image" / "Logo");
  record.Logo = L"";
  RecordingPictures again;
  LoadSkinStyle(record, folder_, document_.get(), again);
  EXPECT_EQ(again.calls, Without(kAllTargets, {"Logo"}));

  RecordingPictures none;
  LoadSkinStyle(record, folder_, nullptr, none);
  EXPECT_TRUE(none.calls.empty());
}

}  // namespace
}  // namespace notify
