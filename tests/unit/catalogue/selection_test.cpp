#include "catalogue/selection.h"

#include <gtest/gtest.h>

#include <functional>

#include "catalogue_fixture.h"

namespace notify::test {
namespace {

using Selection = CatalogueTest;

template <class Case>
std::string CaseName(const testing::TestParamInfo<Case>& param) {
  std::string name = param.param.name;
  for (auto& c : name) {
    if (c == ' ' || c == '-') c = '_';
  }
  return name;
}

TEST_F(Selection, AcceptedMessageFillsEveryFieldOfItsRecord) {
  WriteCatalogue({DefaultMessage(L"  msg-1  ")});
  ASSERT_TRUE(Select());

  MsgRecord expected;
  expected.ID = L"msg-1";
  expected.Style = L"Blue";
  expected.Logo = L"logo.png";
  expected.Sound = L"ding.wav";
  expected.AutoShut = 10;
  expected.Title = L"Hello";
  expected.TitleColor = 255;
  expected.Content = L"Body text";
  expected.ContentColor = 0;
  expected.Author = L"Team";
  expected.AuthorColor = 0x808080;
  expected.Date = L"2025-12-01";
  expected.DateColor = 0xFF0000;
  expected.Uri = L"https://example.com/news?id=1";
  expected.BtnCls = L"Close";
  expected.BtnClsColor = 0;
  expected.BtnClsPColor = 0x00FF00;
  expected.BtnClsWidth = 60;
  expected.BtnClsHeight = 24;
  expected.BtnCfm = L"OK";
  expected.BtnCfmColor = 0xFFFFFF;
  expected.BtnCfmPColor = 0xFF00FF;
  expected.BtnCfmWidth = 80;
  expected.BtnCfmHeight = 26;
  expected.FormColor = 16777215;
  expected.FormWidth = 6120;
  expected.FormHeight = 3000;
  expected.Round = true;
  expected.Shadow = false;
  expected.Recorded = false;

  ASSERT_EQ(state.Messages.size(), 2u);
  EXPECT_EQ(state.Messages[0], expected);
  EXPECT_EQ(state.Messages[1], MsgRecord{});
  EXPECT_EQ(state.CatalogPath, programFolder + L"Message.xml");
  EXPECT_EQ(state.CachePath, appDataFolder + L"Korvane\\Acme\\Notify\\MessageCache.xml");
  EXPECT_EQ(state.SeenIds, std::vector<std::wstring>{L""});
}

struct ExpiryCase {
  const wchar_t* limit;
  CivilDate today;
  bool accepted;
};

class SelectionExpiry : public CatalogueTest, public testing::WithParamInterface<ExpiryCase> {};

TEST_P(SelectionExpiry, ShowsOnTheLimitDayAndSkipsFromTheNextDay) {
  const auto& c = GetParam();
  today = c.today;
  WriteCatalogue({With(DefaultMessage(L"a"), L"Limit", c.limit)});
  ASSERT_TRUE(Select());
  EXPECT_EQ(!state.Messages[0].ID.empty(), c.accepted) << ToUtf8(c.limit);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionExpiry,
    testing::Values(ExpiryCase{L"2025-12-31", {2025, 12, 31}, true}, ExpiryCase{L"2025-12-31", {2026, 1, 1}, false},
                    ExpiryCase{L" 12/31/2025 ", {2025, 12, 31}, true}, ExpiryCase{L"12/31/2025", {2026, 1, 1}, false},
                    ExpiryCase{L"12/31/2025", {2025, 1, 1}, true},
                    ExpiryCase{L"Dec 31, 2025", {2026, 1, 1}, true},  // leading value 0: never expires
                    ExpiryCase{L"Dec 31, 2025", {2040, 7, 1}, true}));

TEST_F(Selection, ALimitThatIsNoDateFailsTheWholeSelection) {
  for (const wchar_t* limit : {L"", L"   ", L"never", L"2025-02-30", L"0"}) {
    WriteCatalogue({DefaultMessage(L"a"), With(DefaultMessage(L"b"), L"Limit", limit)});
    EXPECT_FALSE(Select()) << "Limit [" << ToUtf8(limit) << "]";
  }
}

TEST_F(Selection, TheClockIsReadForEveryMessage) {
  WriteCatalogue({DefaultMessage(L"a"), DefaultMessage(L"b"), With(DefaultMessage(L"c"), L"Limit", L"2000-01-01")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(clockReads, 3);
}

struct CheckCase {
  const char* name;
  std::wstring check;  // "{dir}" stands for the program folder written without a macro
  bool accepted;
};

class SelectionCheckFile : public CatalogueTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(SelectionCheckFile, AnExistingFileSuppressesTheMessage) {
  WriteBytes(scratch / "app" / "installed.txt", "x");
  std::filesystem::create_directories(scratch / "app" / "Folder");
  const std::wstring check = ReplaceAll(GetParam().check, L"{dir}", programFolder);
  WriteCatalogue({With(DefaultMessage(L"a"), L"Check", check), DefaultMessage(L"b")});
  ASSERT_TRUE(Select());
  const std::vector<std::wstring> expected =
      GetParam().accepted ? std::vector<std::wstring>{L"a", L"b"} : std::vector<std::wstring>{L"b"};
  EXPECT_EQ(AcceptedIds(), expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionCheckFile,
    testing::Values(CheckCase{"macro", L"{#P@CUR}installed.txt", false},
                    CheckCase{"lower-case macro", L" {#p@cur}installed.txt ", false},
                    CheckCase{"plain path", L"{dir}installed.txt", false},
                    CheckCase{"folder", L"{#P@CUR}Folder", true}, CheckCase{"plain folder", L"{dir}Folder", true},
                    CheckCase{"absent file", L"{#P@CUR}missing.txt", true}, CheckCase{"empty", L"", true},
                    CheckCase{"spaces only", L"   ", true},
                    // Each run here starts without a cache, which the selection creates first.
                    CheckCase{"own indented line", L"\r\n\t\t{#P@CUR}installed.txt\r\n\t", false},
                    CheckCase{"blank lines only", L"\r\n\t\r\n  ", true}),
    CaseName<CheckCase>);

TEST_F(Selection, CachedIdentifiersInAnotherCaseCountAsSeen) {
  WriteCache("<?xml version=\"1.0\"?><Config><ID>  MSG-One </ID><ID>other</ID></Config>");
  WriteCatalogue({DefaultMessage(L"msg-one"), DefaultMessage(L"Msg-Two"), DefaultMessage(L"OTHER")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), std::vector<std::wstring>{L"Msg-Two"});
  EXPECT_EQ(state.SeenIds, (std::vector<std::wstring>{L"MSG-One", L"other", L""}));
}

// Every cased script folds by the platform's own mapping, also in a pretty-printed cache;
// a dotted capital I is not the dotless small i.
TEST_F(Selection, CachedIdentifiersInAnotherCaseOfAnyScriptCountAsSeen) {
  WriteCache(ToUtf8(L"<?xml version=\"1.0\"?>\r\n<Config>\r\n  <ID>\r\n    \u017D\u0178-\u0386\u038F-\u0490\u04E8\r\n  </ID>\r\n"
                    L"  <ID>\u0130D</ID>\r\n</Config>\r\n"));
  WriteCatalogue({DefaultMessage(L"\u017E\u00FF-\u03AC\u03CE-\u0491\u04E9"), DefaultMessage(L"\u0131d"),
                  DefaultMessage(L"\u0130d")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), std::vector<std::wstring>{L"\u0131d"});
}

TEST_F(Selection, AnEmptyIdIsSkippedAndLaterMessagesStillCount) {
  WriteCatalogue({DefaultMessage(L"   "), DefaultMessage(L"b")});
  ASSERT_TRUE(Select());
  ASSERT_EQ(state.Messages.size(), 3u);
  EXPECT_EQ(state.Messages[0].ID, L"b");
  EXPECT_TRUE(state.Messages[1].IsEmpty());
}

TEST_F(Selection, DuplicateIdentifiersAreBothAccepted) {
  WriteCatalogue({DefaultMessage(L"dup"), With(DefaultMessage(L"dup"), L"Title", L"second")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.Messages[0].Title, L"Hello");
  EXPECT_EQ(state.Messages[1].ID, L"dup");
  EXPECT_EQ(state.Messages[1].Title, L"second");
}

TEST_F(Selection, AcceptedMessagesArePackedFromSlotZero) {
  WriteCache("<Config><ID>seen</ID></Config>");
  WriteCatalogue({With(DefaultMessage(L"old"), L"Limit", L"2020-01-01"), DefaultMessage(L"seen"),
                  With(DefaultMessage(L"third"), L"Title", L"Third")});
  ASSERT_TRUE(Select());
  ASSERT_EQ(state.Messages.size(), 4u);
  EXPECT_EQ(state.Messages[0].ID, L"third");
  EXPECT_EQ(state.Messages[0].Title, L"Third");
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(state.Messages[i], MsgRecord{}) << "slot " << i;
}

TEST_F(Selection, NothingQualifyingIsStillASuccess) {
  WriteCache("<Config><ID>seen</ID></Config>");
  WriteCatalogue({With(DefaultMessage(L"old"), L"Limit", L"2020-01-01"), DefaultMessage(L"seen"), DefaultMessage(L"")});
  ASSERT_TRUE(Select());
  ASSERT_EQ(state.Messages.size(), 4u);
  for (const auto& r : state.Messages) EXPECT_EQ(r, MsgRecord{});
}

TEST_F(Selection, MessagesAreFoundAnywhereInDocumentOrder) {
  WriteCatalogueText(L"<Root AppID=\"x\">" + MessageXml(DefaultMessage(L"a")) + L"<Group><Deeper>" +
                     MessageXml(DefaultMessage(L"b")) + L"</Deeper></Group>" + MessageXml(DefaultMessage(L"c")) +
                     L"</Root>");
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
}

TEST_F(Selection, ItemsAreReadFromTheFirstChildElementOfTheirName) {
  std::wstring xml = MessageXml(DefaultMessage(L"a"));
  xml.insert(xml.size() - std::wstring(L"</Message>").size(),
             L"<!-- a comment --><Title Color=\"00FF00\">Second</Title><p:Logo xmlns:p=\"urn:p\">other</p:Logo>");
  WriteCatalogueText(L"<Catalog AppID=\"x\">" + xml + L"</Catalog>");
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.Messages[0].Title, L"Hello");
  EXPECT_EQ(state.Messages[0].TitleColor, 255);
  EXPECT_EQ(state.Messages[0].Logo, L"logo.png");

  // A grandchild does not stand in for a missing child.
  auto withoutTitle = With(DefaultMessage(L"b"), L"Title", kOmit);
  withoutTitle[L"Wrapper"] = L"";
  std::wstring nested = MessageXml(withoutTitle);
  nested = ReplaceAll(nested, L"<Wrapper></Wrapper>", L"<Wrapper><Title Color=\"FF\">Deep</Title></Wrapper>");
  WriteCatalogueText(L"<Catalog AppID=\"x\">" + nested + L"</Catalog>");
  EXPECT_FALSE(Select());
}

// A host vendor's catalogue in GB2312, as a file: every text arrives as written.
TEST_F(Selection, ReadsAGb2312CatalogueFile) {
  std::filesystem::copy_file(FixturePath("catalogue/gb2312_message.xml"), scratch / "app" / "Message.xml");
  ASSERT_TRUE(Select());
  ASSERT_EQ(state.Messages.size(), 3u);
  const MsgRecord& r = state.Messages[0];
  EXPECT_EQ(r.ID, L"\u6B22\u8FCE-2025");                                   // 欢迎-2025
  EXPECT_EQ(r.Uri, programFolder + L"\u8BF4\u660E.txt");                   // 说明.txt
  EXPECT_EQ(r.Sound, L"\u63D0\u793A.wav");                                 // 提示.wav
  EXPECT_EQ(r.Title, L"\u6B22\u8FCE\u4F7F\u7528");                       // 欢迎使用
  EXPECT_EQ(r.Date, L"2025\u5E7412\u67081\u65E5");                        // 2025年12月1日
  EXPECT_EQ(r.BtnCfm, L"\u786E\u5B9A");                                    // 确定
  EXPECT_EQ(r.FormColor, 0xFCF2EA);
  EXPECT_EQ(r.FormWidth, 5100);
  EXPECT_TRUE(r.Round);
  EXPECT_TRUE(r.Shadow);
  EXPECT_TRUE(state.Messages[1].IsEmpty());  // the expired one needs nothing but its Limit
  EXPECT_EQ(state.CachePath, appDataFolder + L"Korvane\\Korvane\\Demo\\MessageCache.xml");
}

// The demo's catalogue names its schema in an xml-model instruction before the root.
TEST_F(Selection, ReadsTheDemoCatalogueWithItsSchemaInstruction) {
  const auto demo = FixturePath("../../demo/Message.xml");
  ASSERT_NE(ReadBytes(demo).find("<?xml-model href="), std::string::npos);
  std::filesystem::copy_file(demo, scratch / "app" / "Message.xml");
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), (std::vector<std::wstring>{L"demo-welcome", L"demo-update", L"demo-maintenance"}));
  EXPECT_EQ(state.Messages[0].Title, L"\u6B22\u8FCE\u4F7F\u7528 Notify \u6D88\u606F\u63D0\u9192");
  EXPECT_EQ(state.CachePath, appDataFolder + L"Korvane\\Notify\\Demo\\MessageCache.xml");
}

TEST_F(Selection, CatalogueLevelFailuresGiveFalse) {
  struct Case {
    const char* name;
    std::wstring xml;  // empty: no catalogue file at all
  };
  const std::vector<Case> cases = {
      {"no Message element", L"<Catalog AppID=\"Acme.Notify\"><Note/></Catalog>"},
      {"no catalogue", L""},
      {"root without AppID", L"<Catalog App=\"x\">" + MessageXml(DefaultMessage(L"a")) + L"</Catalog>"},
      {"not well formed", L"<Catalog AppID=\"x\"><Message></Catalog>"},
      {"empty file", L" "},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(scratch / "app" / "Message.xml");
    if (!c.xml.empty()) WriteCatalogueText(c.xml);
    EXPECT_FALSE(Select()) << c.name;
  }
}

TEST_F(Selection, OnlyDeferOffOnTheRootTurnsDeferralOff) {
  const std::vector<std::pair<std::wstring, bool>> cases = {
      {L"", true}, {L" Defer=\"OFF\"", false}, {L" Defer=\" off \"", false},
      {L" Defer=\"ON\"", true}, {L" Defer=\"no\"", true}, {L" Defer=\"\"", true}};
  for (const auto& [attribute, defer] : cases) {
    state.Defer = !defer;  // a stale value must not survive the run
    WriteCatalogue({DefaultMessage(L"a")}, L" AppID=\"Acme.Notify\"" + attribute);
    ASSERT_TRUE(Select()) << ToUtf8(attribute);
    EXPECT_EQ(state.Defer, defer) << ToUtf8(attribute);
  }
}

TEST_F(Selection, NoDocumentObjectOrAnIncompleteEnvironmentGivesFalse) {
  WriteCatalogue({DefaultMessage(L"a")});
  EXPECT_FALSE(SelectMessages(nullptr, state, env));
  auto noParser = env;
  noParser.Dates.reset();
  EXPECT_FALSE(SelectMessages(doc.get(), state, noParser));
  auto noClock = env;
  noClock.Today = nullptr;
  EXPECT_FALSE(SelectMessages(doc.get(), state, noClock));
  EXPECT_TRUE(SelectMessages(doc.get(), state, env));
}

TEST_F(Selection, FormSizeIsStoredInTwipsWithinSixteenBits) {
  WriteCatalogue({With(With(DefaultMessage(L"a"), L"Form@Width", L"2184"), L"Form@Height", L"1")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.Messages[0].FormWidth, 32760);
  EXPECT_EQ(state.Messages[0].FormHeight, 15);
  WriteCatalogue({With(DefaultMessage(L"a"), L"Form@Width", L"2185")});
  EXPECT_FALSE(Select());
}

TEST_F(Selection, ButtonSizesStayUnscaled) {
  WriteCatalogue({With(DefaultMessage(L"a"), L"BtnCfm@Width", L"2185")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.Messages[0].BtnCfmWidth, 2185);
}

struct ValueCase {
  const char* name;
  const wchar_t* key;
  const wchar_t* text;
  bool ok;
  std::function<bool(const MsgRecord&)> holds;
};

class SelectionValues : public CatalogueTest, public testing::WithParamInterface<ValueCase> {};

TEST_P(SelectionValues, ConvertOrFailTheRun) {
  const auto& c = GetParam();
  WriteCatalogue({With(DefaultMessage(L"a"), c.key, c.text)});
  ASSERT_EQ(Select(), c.ok) << c.name;
  if (c.ok) {
    EXPECT_TRUE(c.holds(state.Messages[0])) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionValues,
    testing::Values(
        ValueCase{"white", L"Title@Color", L"FFFFFF", true, [](const MsgRecord& r) { return r.TitleColor == 16777215; }},
        ValueCase{"empty colour", L"Form@Color", L"", true, [](const MsgRecord& r) { return r.FormColor == 0; }},
        ValueCase{"red", L"Content@Color", L"0000FF", true, [](const MsgRecord& r) { return r.ContentColor == 255; }},
        ValueCase{"pressed", L"BtnCls@PColor", L"ff8000", true, [](const MsgRecord& r) { return r.BtnClsPColor == 0xFF8000; }},
        ValueCase{"not hex", L"Title@Color", L"GG", false, nullptr},
        ValueCase{"colour with a leading blank", L"Date@Color", L" FF", false, nullptr},
        ValueCase{"round on", L"Form@Round", L" On ", true, [](const MsgRecord& r) { return r.Round; }},
        ValueCase{"round yes", L"Form@Round", L"yes", true, [](const MsgRecord& r) { return !r.Round; }},
        ValueCase{"shadow ON", L"Form@Shadow", L"ON", true, [](const MsgRecord& r) { return r.Shadow; }},
        ValueCase{"auto shut rounded", L"AutoShut", L"2.5", true, [](const MsgRecord& r) { return r.AutoShut == 2; }},
        ValueCase{"auto shut zero", L"AutoShut", L" 0 ", true, [](const MsgRecord& r) { return r.AutoShut == 0; }},
        ValueCase{"auto shut words", L"AutoShut", L"ten", false, nullptr},
        ValueCase{"auto shut empty", L"AutoShut", L"", false, nullptr},
        ValueCase{"height overflow", L"BtnCls@Height", L"40000", false, nullptr},
        ValueCase{"style trimmed", L"Style", L"  Green ", true, [](const MsgRecord& r) { return r.Style == L"Green"; }},
        ValueCase{"content kept inside", L"Content", L" two  words ", true,
                  [](const MsgRecord& r) { return r.Content == L"two  words"; }}),
    CaseName<ValueCase>);

TEST_F(Selection, UriIsExpandedOnlyWhenItIsNoWebAddress) {
  struct Case {
    std::wstring uri;
    std::wstring expected;
  };
  const std::vector<Case> cases = {
      {L"https://example.com/a?b=c", L"https://example.com/a?b=c"},
      {L" C:\\Docs\\read.txt ", L"C:\\Docs\\read.txt"},
      {L"{#P@CUR}file.txt", programFolder + L"file.txt"},
      {L"{#p@cur}Help\\index.htm", programFolder + L"Help\\index.htm"},
      {L"file:///{#P@CUR}x", L"file:///{#P@CUR}x"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    WriteCatalogue({With(DefaultMessage(L"a"), L"Uri", c.uri)});
    ASSERT_TRUE(Select()) << ToUtf8(c.uri);
    EXPECT_EQ(state.Messages[0].Uri, c.expected) << ToUtf8(c.uri);
  }
}

// Which items a message must carry depends on how far it gets through the rules.
TEST_F(Selection, RequiredItemsDependOnTheStageTheMessageReaches) {
  const auto keys = DefaultMessage(L"x");
  WriteBytes(scratch / "app" / "installed.txt", "x");
  WriteCache("<Config><ID>seen</ID></Config>");
  for (const auto& [key, unused] : keys) {
    const auto accepted = With(DefaultMessage(L"fresh"), key, kOmit);
    WriteCatalogue({DefaultMessage(L"ok"), accepted});
    EXPECT_FALSE(Select()) << "accepted message without " << ToUtf8(key);

    const auto expired = With(With(DefaultMessage(L"old"), L"Limit", L"2001-01-01"), key, kOmit);
    WriteCatalogue({expired, DefaultMessage(L"ok")});
    EXPECT_EQ(Select(), key != L"Limit") << "expired message without " << ToUtf8(key);

    const auto suppressed = With(With(DefaultMessage(L"inst"), L"Check", L"{#P@CUR}installed.txt"), key, kOmit);
    WriteCatalogue({suppressed, DefaultMessage(L"ok")});
    EXPECT_EQ(Select(), key != L"Limit" && key != L"Check") << "suppressed message without " << ToUtf8(key);

    const auto seen = With(DefaultMessage(L"seen"), key, kOmit);
    WriteCatalogue({seen, DefaultMessage(L"ok")});
    EXPECT_EQ(Select(), key != L"Limit" && key != L"Check" && key != L"ID") << "seen message without " << ToUtf8(key);
  }
}

TEST_F(Selection, AMissingChildAttributeFailsOnlyAnAcceptedMessage) {
  WriteCache("<Config><ID>seen</ID></Config>");
  WriteCatalogue({With(DefaultMessage(L"seen"), L"Form@Width", kOmit), DefaultMessage(L"ok")});
  EXPECT_TRUE(Select());
  WriteCatalogue({With(DefaultMessage(L"new"), L"Form@Width", kOmit), DefaultMessage(L"ok")});
  EXPECT_FALSE(Select());
}

TEST_F(Selection, SixteenBitMessageCountIsTheLimit) {
  std::wstring body;
  for (int i = 0; i < 32767; ++i) body += L"<Message Limit=\"2000-01-01\"/>";
  WriteCatalogueText(L"<C AppID=\"big\">" + body + L"</C>");
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.Messages.size(), 32768u);
  WriteCatalogueText(L"<C AppID=\"big\">" + body + L"<Message Limit=\"2000-01-01\"/></C>");
  EXPECT_FALSE(Select());
}

TEST_F(Selection, SixteenBitSeenCountIsTheLimit) {
  std::string ids;
  for (int i = 0; i < 32767; ++i) ids += "<ID>s" + std::to_string(i) + "</ID>";
  WriteCache("<Config>" + ids + "</Config>");
  WriteCatalogue({DefaultMessage(L"s32766"), DefaultMessage(L"new")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), std::vector<std::wstring>{L"new"});
  WriteCache("<Config>" + ids + "<ID>one-more</ID></Config>");
  EXPECT_FALSE(Select());
}

}  // namespace
}  // namespace notify::test
