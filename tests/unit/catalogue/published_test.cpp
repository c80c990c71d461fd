#include "catalogue/published.h"

#include <gtest/gtest.h>

#include "catalogue_fixture.h"

namespace notify::test {
namespace {

struct TextCase {
  const wchar_t* text;
  bool allowed;
};

class SourceUrls : public testing::TestWithParam<TextCase> {};
TEST_P(SourceUrls, HttpsAnywhereHttpOnlyOnLoopback) {
  EXPECT_EQ(IsAllowedSourceUrl(GetParam().text), GetParam().allowed) << ToUtf8(GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(
    Table, SourceUrls,
    testing::Values(TextCase{L"https://updates.example.com/x/Message.xml", true}, TextCase{L"HTTPS://Example.com", true},
                    TextCase{L"http://127.0.0.1:8443/Message.xml", true}, TextCase{L"http://[::1]/m.xml", true},
                    TextCase{L"http://LOCALHOST/m.xml", true}, TextCase{L"http://example.com/m.xml", false},
                    TextCase{L"http://127.0.0.2/m.xml", false}, TextCase{L"http://localhost.example.com/m", false},
                    TextCase{L"https://user:pw@example.com/m", false}, TextCase{L"ftp://example.com/m", false},
                    TextCase{L"file:///C:/Message.xml", false}, TextCase{L"https:///m.xml", false},
                    TextCase{L"https://exa mple.com/", false}, TextCase{L"\\\\server\\share\\Message.xml", false},
                    TextCase{L"https://example.com:123456/m", false}, TextCase{L"", false}));

class MessageUris : public testing::TestWithParam<TextCase> {};
TEST_P(MessageUris, OnlyWebAndMailAddresses) {
  EXPECT_EQ(IsAllowedMessageUri(GetParam().text), GetParam().allowed) << ToUtf8(GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(
    Table, MessageUris,
    testing::Values(TextCase{L"", true}, TextCase{L"https://example.com/news?id=1", true},
                    TextCase{L"HTTP://example.com", true}, TextCase{L"mailto:help@example.com", true},
                    TextCase{L"mailto:", false}, TextCase{L"file:///C:/Windows/notepad.exe", false},
                    TextCase{L"C:\\Windows\\System32\\calc.exe", false}, TextCase{L"%ProgramFiles%\\a.exe", false},
                    TextCase{L"javascript:alert(1)", false}, TextCase{L"ms-settings:", false},
                    TextCase{L"\\\\server\\share\\run.exe", false}, TextCase{L"https://example.com/\nx", false}));

struct PathCase {
  const wchar_t* path;
  bool relativeAllowed;  // as a Logo or Sound
  bool absoluteAllowed;  // as a Check
};
class ConfinedPaths : public testing::TestWithParam<PathCase> {};
TEST_P(ConfinedPaths, NoUncNoDeviceNoClimbingOut) {
  const auto& c = GetParam();
  EXPECT_EQ(IsConfinedPath(c.path, true), c.relativeAllowed) << ToUtf8(c.path);
  EXPECT_EQ(IsConfinedPath(c.path, false), c.absoluteAllowed) << ToUtf8(c.path);
}
INSTANTIATE_TEST_SUITE_P(
    Table, ConfinedPaths,
    testing::Values(PathCase{L"", true, true}, PathCase{L"logo.png", true, true}, PathCase{L"sub\\a..b.png", true, true},
                    PathCase{L"%ProgramFiles%\\Acme\\done.txt", true, true}, PathCase{L"C:\\x.wav", false, true},
                    PathCase{L"\\x.wav", false, true}, PathCase{L"..\\..\\Windows\\x.png", false, false},
                    PathCase{L"a/../../b.wav", false, false}, PathCase{L"C:\\App\\.. \\x", false, false},
                    PathCase{L"...\\x", false, false}, PathCase{L"\\\\server\\share\\x.wav", false, false},
                    PathCase{L"//server/share/x.wav", false, false}, PathCase{L"\\\\?\\C:\\x", false, false},
                    PathCase{L"\\\\.\\pipe\\x", false, false}, PathCase{L"C:\\a.txt:stream", false, false},
                    PathCase{L"CON", false, false}, PathCase{L"sub\\nul.wav", false, false},
                    PathCase{L"COM1.png", false, false}));

struct RedirectCase {
  const wchar_t* from;
  const wchar_t* to;
  bool allowed;
};
class Redirects : public testing::TestWithParam<RedirectCase> {};
TEST_P(Redirects, OnlyToHttpsAndLoopbackHttpStaysLoopback) {
  EXPECT_EQ(IsAllowedRedirect(GetParam().from, GetParam().to), GetParam().allowed) << ToUtf8(GetParam().to);
}
INSTANTIATE_TEST_SUITE_P(
    Table, Redirects,
    testing::Values(RedirectCase{L"https://a.example/m", L"https://cdn.example/m", true},
                    RedirectCase{L"https://a.example/m", L"http://a.example/m", false},
                    RedirectCase{L"https://a.example/m", L"http://127.0.0.1/m", false},
                    RedirectCase{L"http://127.0.0.1:81/m", L"http://localhost:82/m", true},
                    RedirectCase{L"http://127.0.0.1/m", L"http://example.com/m", false},
                    RedirectCase{L"http://127.0.0.1/m", L"https://example.com/m", true},
                    RedirectCase{L"https://a.example/m", L"file:///C:/m", false}));

struct DueCase {
  const char* name;
  std::uint32_t everyHours;
  std::optional<std::int64_t> lastAttempt, nextAttempt;
  bool due;
};
class FetchDue : public testing::TestWithParam<DueCase> {};
TEST_P(FetchDue, EveryHoursSinceTheLastAttemptUnlessRetryAfterSaysLater) {
  const auto& c = GetParam();
  const std::int64_t now = 1'000'000'000;
  PublishedSource source{L"https://example.com/m", {"key"}, c.everyHours};
  UserState state;
  if (c.lastAttempt) state.LastAttempt = now + *c.lastAttempt;
  if (c.nextAttempt) state.NextAttempt = now + *c.nextAttempt;
  EXPECT_EQ(FetchIsDue(source, state, now), c.due);
  source.Keys.clear();
  EXPECT_FALSE(FetchIsDue(source, state, now)) << "a source without a key never fetches";
}
INSTANTIATE_TEST_SUITE_P(
    Table, FetchDue,
    testing::Values(DueCase{"never_tried", 24, {}, {}, true}, DueCase{"23h_ago", 24, -23 * 3600, {}, false},
                    DueCase{"24h_ago", 24, -24 * 3600, {}, true}, DueCase{"every_start", 0, -1, {}, true},
                    DueCase{"retry_after_pending", 0, -1, 60, false},
                    DueCase{"retry_after_passed", 24, -25 * 3600, -1, true},
                    DueCase{"clock_set_back", 24, 3600, {}, true}),
    [](const auto& p) { return std::string(p.param.name); });

struct AcceptCase {
  const char* name;
  std::wstring root;  // attributes of the published root
  MessageFields message;
  std::optional<std::uint64_t> keptSerial;
  Refusal refused;
};

class Acceptance : public CatalogueTest, public testing::WithParamInterface<AcceptCase> {
 protected:
  // The signature is tested on its own; here a copy "verifies" when its signature says so.
  notify::Acceptance Accept(const std::string& bytes, const std::string& signature, std::optional<std::uint64_t> kept,
                            const std::string& keptBytes = {}) {
    std::filesystem::create_directories(scratch / "app" / "Image" / "Blue");
    AcceptanceContext context;
    context.LocalAppId = L"Acme.Notify";
    context.KeptSerial = kept;
    context.KeptBytes = keptBytes;
    context.ProgramFolder = programFolder;
    context.Environment = &env;
    context.Verify = [](std::string_view, std::string_view s) { return s == "good"; };
    return AcceptPublishedCopy(*doc, bytes, signature, context);
  }
  static std::string Copy(const std::wstring& root, const MessageFields& message) {
    return ToUtf8(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Catalog" + root + L">" + MessageXml(message) +
                  L"</Catalog>\n");
  }
};

TEST_P(Acceptance, EveryRuleMustHoldOrTheCopyIsRefusedWhole) {
  const auto& c = GetParam();
  const auto result = Accept(Copy(c.root, c.message), "good", c.keptSerial);
  EXPECT_EQ(result.Refused, c.refused) << ToUtf8(RefusalWords(result.Refused));
  if (c.refused == Refusal::None) {
    ASSERT_EQ(result.Messages.size(), 1u);
    EXPECT_EQ(result.Messages[0].ID, L"p1");
  } else {
    EXPECT_TRUE(result.Messages.empty());
  }
}

const std::wstring kRoot = L" AppID=\"Acme.Notify\" Serial=\"5\"";
INSTANTIATE_TEST_SUITE_P(
    Table, Acceptance,
    testing::Values(
        AcceptCase{"newer_serial", kRoot, DefaultMessage(L"p1"), 4, Refusal::None},
        AcceptCase{"first_copy", kRoot, DefaultMessage(L"p1"), {}, Refusal::None},
        AcceptCase{"other_app", L" AppID=\"Other.App\" Serial=\"5\"", DefaultMessage(L"p1"), {}, Refusal::OtherAppId},
        AcceptCase{"no_serial", L" AppID=\"Acme.Notify\"", DefaultMessage(L"p1"), {}, Refusal::NoSerial},
        AcceptCase{"serial_not_a_number", L" AppID=\"Acme.Notify\" Serial=\"5a\"", DefaultMessage(L"p1"), {},
                   Refusal::NoSerial},
        AcceptCase{"rollback", kRoot, DefaultMessage(L"p1"), 6, Refusal::Rollback},
        AcceptCase{"same_serial_other_bytes", kRoot, DefaultMessage(L"p1"), 5, Refusal::SameSerialOtherBytes},
        AcceptCase{"program_uri", kRoot, With(DefaultMessage(L"p1"), L"Uri", L"C:\\Windows\\calc.exe"), {},
                   Refusal::ForbiddenUri},
        AcceptCase{"logo_climbs_out", kRoot, With(DefaultMessage(L"p1"), L"Logo", L"..\\..\\x.png"), {},
                   Refusal::ForbiddenPath},
        AcceptCase{"unc_sound", kRoot, With(DefaultMessage(L"p1"), L"Sound", L"\\\\srv\\s\\a.wav"), {},
                   Refusal::ForbiddenPath},
        AcceptCase{"device_check", kRoot, With(DefaultMessage(L"p1"), L"Check", L"\\\\.\\pipe\\x"), {},
                   Refusal::ForbiddenPath},
        AcceptCase{"missing_style", kRoot, With(DefaultMessage(L"p1"), L"Style", L"Missing"), {}, Refusal::UnknownStyle},
        AcceptCase{"style_outside", kRoot, With(DefaultMessage(L"p1"), L"Style", L"..\\Image\\Blue"), {},
                   Refusal::UnknownStyle},
        AcceptCase{"due_message_incomplete", kRoot, With(DefaultMessage(L"p1"), L"Title", kOmit), {},
                   Refusal::FailsSelection}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Acceptance, SizesSignatureAndFormAreCheckedOnTheBytes) {
  const std::string copy = Copy(kRoot, DefaultMessage(L"p1"));
  EXPECT_EQ(Accept(copy, "bad", {}).Refused, Refusal::BadSignature);
  EXPECT_EQ(Accept(copy, "good" + std::string(kMaxSignatureBytes, ' '), {}).Refused, Refusal::SignatureTooLarge);
  const std::string padded = copy + "<!--" + std::string(kMaxPublishedBytes, 'x') + "-->";
  EXPECT_EQ(Accept(padded, "good", {}).Refused, Refusal::TooLarge);
  EXPECT_EQ(Accept("<Catalog AppID=\"Acme.Notify\" Serial=\"5\">", "good", {}).Refused, Refusal::NotReadable);
  // An equal serial is the same publication fetched again only when the bytes agree.
  EXPECT_EQ(Accept(copy, "good", 5, copy).Refused, Refusal::None);
}

TEST(Arrivals, JoinAtTheEndOfThePackedQueueOnceEachAndKeepTheSpareSlot) {
  const auto record = [](const wchar_t* id) {
    MsgRecord r;
    r.ID = id;
    return r;
  };
  std::vector<MsgRecord> queue{record(L"a"), record(L"b"), {}, {}};
  EXPECT_EQ(AppendArrivals(queue, {record(L"B"), record(L"c"), {}, record(L"d"), record(L"C")}), 2u);
  std::vector<std::wstring> ids;
  for (const auto& r : queue) ids.push_back(r.ID);
  EXPECT_EQ(ids, (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"", L""}));
  std::vector<MsgRecord> full{record(L"a")};
  AppendArrivals(full, {record(L"z")});
  ASSERT_EQ(full.size(), 3u);
  EXPECT_TRUE(full.back().IsEmpty());
}

}  // namespace
}  // namespace notify::test
