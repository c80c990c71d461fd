#include "catalogue/cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "catalogue_fixture.h"

namespace notify::test {
namespace {

TEST(CachePath, AppIdDotsBecomeFolderLevels) {
  struct Case {
    const wchar_t* appId;
    const wchar_t* expected;
  };
  for (const auto& c : {Case{L"a.b.c", L"D:\\Data\\Korvane\\a\\b\\c\\MessageCache.xml"},
                        Case{L"Acme", L"D:\\Data\\Korvane\\Acme\\MessageCache.xml"},
                        Case{L"Acme.", L"D:\\Data\\Korvane\\Acme\\MessageCache.xml"},
                        Case{L"", L"D:\\Data\\Korvane\\MessageCache.xml"},
                        Case{L"a..b", L"D:\\Data\\Korvane\\a\\\\b\\MessageCache.xml"},
                        Case{L"..", L"D:\\Data\\Korvane\\\\\\MessageCache.xml"}}) {
    EXPECT_EQ(CachePathFor(L"D:\\Data\\", c.appId), c.expected) << ToUtf8(c.appId);
  }
}

// What the end-to-end fixtures cannot spell in XML, and the exact MAX_PATH edge.
TEST(CachePath, ProblemsWindowsWouldMeet) {
  const std::wstring folder = L"C:\\Data\\";
  const auto problem = [&](const std::wstring& appId) {
    return CachePathProblem(appId, CachePathFor(folder, appId));
  };
  // "C:\Data\Korvane\" and "\MessageCache.xml" take 33 of the 259 characters.
  const std::wstring fits(259 - 33, L'x');
  struct Case {
    std::wstring appId;
    const wchar_t* complaint;  // nullptr: the cache can be created
  };
  for (const auto& c : {Case{L"Tab\tName", L"control character 9"}, Case{std::wstring(L"a\x1F"), L"control character 31"},
                        Case{L"a.com\u00B2", L"reserved"}, Case{L"a/aux", L"reserved"}, Case{L"Prn  .x", L"reserved"},
                        Case{fits, nullptr}, Case{fits + L"y", L"260 characters long"},
                        Case{L"Con.sole", L"reserved"}, Case{L"Console.Com0.Lpt10", nullptr}, Case{L"", nullptr}}) {
    const std::wstring found = problem(c.appId);
    if (c.complaint == nullptr) {
      EXPECT_EQ(found, L"") << ToUtf8(c.appId);
    } else {
      EXPECT_NE(found.find(c.complaint), std::wstring::npos) << ToUtf8(c.appId) << ": " << ToUtf8(found);
    }
  }
}

using Cache = CatalogueTest;

std::vector<std::wstring> IdsIn(xml::DomDocument& doc, const std::filesystem::path& file) {
  EXPECT_TRUE(doc.Load(ModulePath(file)));
  std::vector<std::wstring> ids;
  const auto nodes = doc.selectNodes(L"/Config/ID");
  for (std::int32_t i = 0; i < nodes.Length(); ++i) ids.push_back(nodes.Item(i).Text());
  return ids;
}

TEST_F(Cache, FirstRunCreatesFoldersAndAnEmptyGb2312Cache) {
  WriteCatalogue({DefaultMessage(L"a")});
  ASSERT_FALSE(std::filesystem::exists(CacheFile()));
  ASSERT_TRUE(Select());
  ASSERT_TRUE(std::filesystem::is_regular_file(CacheFile()));
  const std::string bytes = ReadBytes(CacheFile());
  EXPECT_EQ(bytes.rfind("<?xml", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("GB2312"), std::string::npos) << bytes;
  EXPECT_EQ(state.SeenIds, std::vector<std::wstring>{L""});

  auto check = NewDocument();
  ASSERT_TRUE(check->Load(state.CachePath));
  EXPECT_EQ(check->documentElement().baseName(), L"Config");
  EXPECT_EQ(check->selectNodes(L"//*").Length(), 1);

  RecordSeenId(doc.get(), state.CachePath, state.Messages[0]);
  EXPECT_TRUE(state.Messages[0].Recorded);
  EXPECT_EQ(IdsIn(*check, CacheFile()), std::vector<std::wstring>{L"a"});
}

TEST_F(Cache, RecordingAppendsInShowingOrderIncludingRepeats) {
  WriteCache("<?xml version=\"1.0\" encoding=\"GB2312\"?><Config><ID>old</ID></Config>");
  const std::wstring path = ModulePath(CacheFile());
  for (const wchar_t* id : {L"b", L"c", L"b"}) {
    MsgRecord record;
    record.ID = id;
    RecordSeenId(doc.get(), path, record);
    EXPECT_TRUE(record.Recorded) << ToUtf8(id);
  }
  auto check = NewDocument();
  EXPECT_EQ(IdsIn(*check, CacheFile()), (std::vector<std::wstring>{L"old", L"b", L"c", L"b"}));
  EXPECT_NE(ReadBytes(CacheFile()).find("GB2312"), std::string::npos);
}

// The shared document loads the next skin after recording: it reads it by its own flag.
TEST_F(Cache, RecordingLeavesTheSharedDocumentReadingTrimmedText) {
  MsgRecord record;
  record.ID = L"a";
  RecordSeenId(doc.get(), ModulePath(CacheFile()), record);
  ASSERT_TRUE(record.Recorded);
  WriteBytes(scratch / "skin.xml", "<Skin>\r\n  <Close>\r\n    Close.bmp\r\n  </Close>\r\n</Skin>");
  ASSERT_TRUE(doc->Load(ModulePath(scratch / "skin.xml")));
  EXPECT_EQ(doc->SelectSingleNode(L"Skin/Close").Text(), L"Close.bmp");
}

TEST_F(Cache, RecordingCreatesAMissingCache) {
  MsgRecord record;
  record.ID = L"first";
  const std::wstring path = CachePathFor(appDataFolder, L"New.App");
  RecordSeenId(doc.get(), path, record);
  EXPECT_TRUE(record.Recorded);
  auto check = NewDocument();
  EXPECT_EQ(IdsIn(*check, CacheFile("Korvane/New/App/MessageCache.xml")), std::vector<std::wstring>{L"first"});
}

TEST_F(Cache, WithoutConfigIdsCountButNothingIsAppended) {
  const std::string original = "<?xml version=\"1.0\"?><Seen><ID>gone</ID><ID> kept </ID></Seen>";
  WriteCache(original);
  WriteCatalogue({DefaultMessage(L"GONE"), DefaultMessage(L"new")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), std::vector<std::wstring>{L"new"});
  EXPECT_EQ(state.SeenIds, (std::vector<std::wstring>{L"gone", L"kept", L""}));

  RecordSeenId(doc.get(), state.CachePath, state.Messages[0]);
  EXPECT_FALSE(state.Messages[0].Recorded);
  EXPECT_EQ(ReadBytes(CacheFile()), original);
}

TEST_F(Cache, RecordingWithoutADocumentChangesNothing) {
  MsgRecord record;
  record.ID = L"x";
  RecordSeenId(nullptr, ModulePath(CacheFile()), record);
  EXPECT_FALSE(record.Recorded);
  EXPECT_FALSE(std::filesystem::exists(CacheFile()));
}

TEST_F(Cache, NestedIdElementsCountAsSeen) {
  WriteCache("<Config><Group><ID>deep</ID><More><ID>deeper</ID></More></Group><ID>top</ID></Config>");
  WriteCatalogue({DefaultMessage(L"deep"), DefaultMessage(L"deeper"), DefaultMessage(L"top"), DefaultMessage(L"new")});
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), std::vector<std::wstring>{L"new"});
}

TEST_F(Cache, EmptyAppIdPutsTheCacheInTheKorvaneFolder) {
  WriteCatalogue({DefaultMessage(L"a")}, L" AppID=\"  \"");
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.CachePath, appDataFolder + L"Korvane\\MessageCache.xml");
  EXPECT_TRUE(std::filesystem::is_regular_file(CacheFile("Korvane/MessageCache.xml")));
}

TEST_F(Cache, TrailingDotGivesOneBackslashBeforeTheFileName) {
  WriteCatalogue({DefaultMessage(L"a")}, L" AppID=\"Acme.Notify.\"");
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.CachePath, appDataFolder + L"Korvane\\Acme\\Notify\\MessageCache.xml");
  EXPECT_TRUE(std::filesystem::is_regular_file(CacheFile()));
}

TEST_F(Cache, ChineseIdentifiersRoundTripThroughGb2312) {
  const std::wstring id = L"\u6D88\u606F\u4E00";  // 消息一
  WriteCatalogue({DefaultMessage(id), DefaultMessage(L"b")});
  ASSERT_TRUE(Select());
  RecordSeenId(doc.get(), state.CachePath, state.Messages[0]);
  ASSERT_TRUE(state.Messages[0].Recorded);
  EXPECT_NE(ReadBytes(CacheFile()).find("\xCF\xFB\xCF\xA2\xD2\xBB"), std::string::npos);

  state = CatalogueState{};
  ASSERT_TRUE(Select());
  EXPECT_EQ(state.SeenIds, (std::vector<std::wstring>{id, L""}));
  EXPECT_EQ(AcceptedIds(), std::vector<std::wstring>{L"b"});
}

// Characters outside GB2312 must come back as they went in, or not be recorded at all.
TEST_F(Cache, IdentifiersOutsideGb2312AreNeverRecordedWrongly) {
  const std::wstring id = L"th-\u0E01-\u00FF-\U0001F600-x";
  WriteCatalogue({DefaultMessage(id)});
  ASSERT_TRUE(Select());
  const std::string before = ReadBytes(CacheFile());
  RecordSeenId(doc.get(), state.CachePath, state.Messages[0]);
  const bool recorded = state.Messages[0].Recorded;
  state = CatalogueState{};
  ASSERT_TRUE(Select());
  if (recorded) {
    EXPECT_EQ(state.SeenIds, (std::vector<std::wstring>{id, L""}));
    EXPECT_TRUE(AcceptedIds().empty());
  } else {
    EXPECT_EQ(ReadBytes(CacheFile()), before);
    EXPECT_EQ(AcceptedIds(), std::vector<std::wstring>{id});
  }
  RecordProperty("recorded", recorded ? "yes" : "no");
}

TEST_F(Cache, ACacheThatIsNotWellFormedFailsTheSelection) {
  WriteCache("<Config><ID>a</ID>");
  WriteCatalogue({DefaultMessage(L"b")});
  EXPECT_FALSE(Select());
  EXPECT_EQ(ReadBytes(CacheFile()), "<Config><ID>a</ID>");  // left for the user to repair
}

TEST_F(Cache, AFolderInPlaceOfTheCacheFailsTheSelection) {
  std::filesystem::create_directories(CacheFile());
  WriteCatalogue({DefaultMessage(L"b")});
  EXPECT_FALSE(Select());
}

// The index must answer exactly what comparing with every identifier answers.
TEST(SeenIdIndexTest, AgreesWithALinearScanOnRandomIdentifiers) {
  std::mt19937 random(20251231);
  const std::wstring alphabet = L"abcXYZ09 -_.\u00E9\u00C9\u0431\u0411\u03C3\u03A3\u6D88\uFF21\uFF41";
  auto randomId = [&] {
    std::wstring id;
    const int length = std::uniform_int_distribution<int>(0, 6)(random);
    for (int i = 0; i < length; ++i) id += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
    return id;
  };
  auto flipCase = [&](std::wstring id) {
    for (auto& c : id) {
      if (std::uniform_int_distribution<int>(0, 1)(random) == 0) continue;
      const wchar_t lower = FoldCase(c);
      for (wchar_t candidate : alphabet) {
        if (candidate != lower && FoldCase(candidate) == lower) c = candidate;
      }
    }
    return id;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::wstring> seen;
    const int count = std::uniform_int_distribution<int>(0, 40)(random);
    for (int i = 0; i < count; ++i) seen.push_back(randomId());
    if (!seen.empty()) seen.push_back(seen.front());  // a duplicate
    const SeenIdIndex index(seen);
    int hits = 0;
    for (int probe = 0; probe < 60; ++probe) {
      std::wstring id = randomId();
      if (!seen.empty() && probe % 2 == 0) id = flipCase(seen[static_cast<std::size_t>(probe) % seen.size()]);
      const bool linear = std::any_of(seen.begin(), seen.end(), [&](const auto& s) { return EqualsNoCase(s, id); });
      ASSERT_EQ(index.Contains(id), linear) << "round " << round << " id [" << ToUtf8(id) << "]";
      hits += linear ? 1 : 0;
    }
    if (count > 0) {
      EXPECT_GT(hits, 0) << "round " << round;  // the case flips must find something
    }
  }
}

TEST(SeenIdIndexTest, TrailingEmptySlotIsNotAnIdentifier) {
  const std::vector<std::wstring> seen = {L"a", L""};
  EXPECT_FALSE(SeenIdIndex(std::span(seen).first(1)).Contains(L""));
  EXPECT_TRUE(SeenIdIndex(std::span(seen).first(1)).Contains(L"A"));
}

// The whole selection with the index selects what it selects with the plain scan.
TEST_F(Cache, SelectionWithIndexEqualsSelectionWithLinearScan) {
  std::mt19937 random(7);
  const std::vector<std::wstring> pool = {L"Alpha", L"alpha ", L"BETA", L"\u0411\u044F", L"\u0431\u042F",
                                          L"\u00C9t\u00E9", L"\u6D88\u606F", L"x", L"X", L"  ", L"gamma"};
  auto pick = [&] { return pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)]; };
  for (int round = 0; round < 15; ++round) {
    std::string cache = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Config>";
    for (int i = 0; i < 5; ++i) cache += "<ID>" + ToUtf8(pick()) + "</ID>";
    WriteCache(cache + "</Config>");
    std::vector<MessageFields> messages;
    for (int i = 0; i < 12; ++i) messages.push_back(DefaultMessage(pick()));
    WriteCatalogue(messages);

    CatalogueState hashed, linear;
    ASSERT_TRUE(SelectMessages(doc.get(), hashed, env, SeenLookup::Hashed));
    ASSERT_TRUE(SelectMessages(doc.get(), linear, env, SeenLookup::LinearScan));
    ASSERT_EQ(hashed.Messages, linear.Messages) << "round " << round;
    ASSERT_EQ(hashed.SeenIds, linear.SeenIds);
  }
}

}  // namespace
}  // namespace notify::test
