#include "app/publication.h"

#include <gtest/gtest.h>

#include "../catalogue/catalogue_fixture.h"
#include "catalogue/cache.h"
#include "platform/utc_time.h"

namespace notify::test {
namespace {

constexpr std::int64_t kNow = 1'800'000'000;

WebResponse Answer(std::int32_t status, std::string body = {}, std::wstring etag = {}) {
  WebResponse r;
  r.Status = status;
  r.Body = std::move(body);
  r.ETag = std::move(etag);
  return r;
}

std::string Copy(int serial, const std::vector<std::wstring>& ids) {
  std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Catalog AppID=\"Acme.Notify\" Serial=\"" +
                     std::to_wstring(serial) + L"\">";
  for (const auto& id : ids) xml += MessageXml(DefaultMessage(id));
  return ToUtf8(xml + L"</Catalog>");
}

// A program folder with one style, a local AppID, and signatures that "verify" when they
// read "good" (the real check has its own tests).
class PublishedRun : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    std::filesystem::create_directories(scratch / "app" / "Image" / "Blue");
    setup.Source = PublishedSource{L"https://example.com/Message.xml", {"key"}, 24};
    setup.AppId = L"Acme.Notify";
    setup.CachePath = CachePathFor(appDataFolder, L"Acme.Notify");
    setup.ProgramFolder = programFolder;
    setup.Environment = env;
    setup.Now = [] { return kNow; };
    setup.Verify = [](std::string_view, std::string_view s) { return s == "good"; };
    setup.Fetch = [this](const WebRequest& request) {
      requests.push_back(request);
      return request.Url.ends_with(L".sig") ? signatureAnswer : catalogueAnswer;
    };
    WriteCache("<?xml version=\"1.0\"?><Config><ID>seen</ID></Config>");
  }
  std::filesystem::path Published(const char* name) const {
    return CacheFile("Korvane/Acme/Notify/Published/") / name;
  }
  void Keep(const std::string& bytes, const std::string& signature, std::uint64_t serial) {
    WriteBytes(Published("Message.xml"), bytes);
    WriteBytes(Published("Message.xml.sig"), signature);
    UserState kept;
    kept.Serial = serial;
    kept.ETag = L"\"v1\"";
    ASSERT_TRUE(SaveUserState(StatePathFor(setup.CachePath), kept));
  }
  UserState SavedState() { return LoadUserState(*doc, StatePathFor(setup.CachePath)); }
  static std::vector<std::wstring> Ids(const std::vector<MsgRecord>& records) {
    std::vector<std::wstring> ids;
    for (const auto& r : records) ids.push_back(r.ID);
    return ids;
  }

  PublicationSetup setup;
  WebResponse catalogueAnswer, signatureAnswer = Answer(200, "good");
  std::vector<WebRequest> requests;
};

struct FetchCase {
  const char* name;
  WebResponse catalogue;
  WebResponse signature;
  std::wstring outcome;
  bool kept;  // the new copy replaced the kept one
  std::optional<std::int64_t> retryIn;
};

WebResponse Failing(WebFailure failure) {
  WebResponse r;
  r.Failure = failure;
  return r;
}
WebResponse RetryAfter(std::int32_t status, std::wstring header) {
  WebResponse r = Answer(status);
  r.RetryAfter = std::move(header);
  return r;
}

class FetchOutcomes : public PublishedRun, public testing::WithParamInterface<FetchCase> {};

TEST_P(FetchOutcomes, OnlyAnAcceptedCopyReplacesTheKeptOneAndEveryAttemptIsRecorded) {
  const auto& c = GetParam();
  const std::string old = Copy(3, {L"old"});
  Keep(old, "good", 3);
  const UserState before = SavedState();
  // The popup showed a message while the fetch ran; its time must survive the fetch's save.
  RecordLastShown(*doc, setup.CachePath, kNow - 5);
  const FetchOutcome outcome = ApplyFetchedCopy(*doc, setup, before, {c.catalogue, c.signature}, kNow);
  const UserState saved = SavedState();
  EXPECT_EQ(saved, outcome.State);
  EXPECT_EQ(saved.LastShown, kNow - 5);
  EXPECT_EQ(saved.Outcome, c.outcome);
  EXPECT_EQ(saved.LastAttempt, kNow);
  EXPECT_EQ(outcome.Kept, c.kept);
  EXPECT_EQ(ReadBytes(Published("Message.xml")) != old, c.kept);
  EXPECT_EQ(saved.Serial, c.kept ? 4u : 3u);
  // The validators follow the kept copy, so a refused copy is fetched whole next time.
  EXPECT_EQ(saved.ETag, c.kept ? L"\"v2\"" : L"\"v1\"");
  EXPECT_EQ(saved.NextAttempt, c.retryIn ? std::optional(kNow + *c.retryIn) : std::nullopt);
  EXPECT_EQ(Ids(outcome.Messages), c.kept ? std::vector<std::wstring>{L"new"} : std::vector<std::wstring>{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, FetchOutcomes,
    testing::Values(
        FetchCase{"accepted", Answer(200, Copy(4, {L"seen", L"new"}), L"\"v2\""), Answer(200, "good"),
                  L"accepted", true, {}},
        FetchCase{"not_modified", Answer(304), {}, L"not modified", false, {}},
        FetchCase{"tampered", Answer(200, Copy(4, {L"new"}), L"\"v2\""), Answer(200, "bad"),
                  L"refused: bad signature", false, {}},
        FetchCase{"rollback", Answer(200, Copy(2, {L"new"}), L"\"v2\""), Answer(200, "good"),
                  L"refused: rollback", false, {}},
        FetchCase{"signature_missing", Answer(200, Copy(4, {L"new"})), Answer(404), L"failed: signature missing",
                  false, {}},
        FetchCase{"busy_seconds", RetryAfter(503, L"120"), {}, L"failed: http status", false, 120},
        FetchCase{"too_many_date", RetryAfter(429, L"Fri, 15 Jan 2027 08:01:40 GMT"), {}, L"failed: http status", false,
                  *ParseHttpDate(L"Fri, 15 Jan 2027 08:01:40 GMT") - kNow},
        FetchCase{"error_ignores_retry_after", RetryAfter(500, L"120"), {}, L"failed: http status", false, {}},
        FetchCase{"offline", Failing(WebFailure::Network), {}, L"failed: network", false, {}},
        FetchCase{"redirect_refused", Failing(WebFailure::Redirect), {}, L"failed: redirect", false, {}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PublishedRun, KeptCopyFirstThenWhatTheFetchBringsWithConditionalHeaders) {
  Keep(Copy(3, {L"k1", L"seen", L"k2"}), "good", 3);
  catalogueAnswer = Answer(200, Copy(4, {L"k1", L"n1"}), L"\"v2\"");
  Publication publication(*doc, setup);
  publication.Start();
  std::vector<std::wstring> arrived = Ids(publication.Arrived(false, {}));
  for (auto more = publication.Arrived(true, {}); !more.empty(); more = publication.Arrived(true, {})) {
    for (const auto& r : more) arrived.push_back(r.ID);
  }
  // k1 comes again with the new copy: the show loop's queue keeps it once.
  EXPECT_EQ(arrived, (std::vector<std::wstring>{L"k1", L"k2", L"k1", L"n1"}));
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].IfNoneMatch, L"\"v1\"");
  EXPECT_EQ(requests[0].UserAgent, setup.UserAgent);
  EXPECT_EQ(requests[1].Url, L"https://example.com/Message.xml.sig");
  EXPECT_EQ(SavedState().Outcome, L"accepted");
}

TEST_F(PublishedRun, AKeptCopyChangedOnDiskIsIgnoredAndFetchedWhole) {
  Keep(Copy(3, {L"k1"}), "changed", 3);
  catalogueAnswer = Answer(304);
  Publication publication(*doc, setup);
  publication.Start();
  EXPECT_TRUE(publication.Arrived(true, {}).empty());
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].IfNoneMatch, L"");
}

TEST_F(PublishedRun, NoFetchBeforeEveryHoursAndNothingWrittenByIt) {
  UserState recent;
  recent.LastAttempt = kNow - 3600;
  recent.LastShown = kNow - 60;
  ASSERT_TRUE(SaveUserState(StatePathFor(setup.CachePath), recent));
  const std::string before = ReadBytes(CacheFile("Korvane/Acme/Notify/State.xml"));
  Publication publication(*doc, setup);
  publication.Start();
  EXPECT_FALSE(publication.FetchUnderWay());
  EXPECT_TRUE(publication.Arrived(true, {}).empty());
  EXPECT_TRUE(requests.empty());
  EXPECT_EQ(ReadBytes(CacheFile("Korvane/Acme/Notify/State.xml")), before);
  EXPECT_EQ(SavedState(), recent);  // LastShown round-trips with the rest
}

}  // namespace
}  // namespace notify::test
