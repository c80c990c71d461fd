// The checker and the selection agree with each other and with what the generator planted:
// on random catalogues and caches the checker's show list is, record for record and in
// order, what SelectMessages accepts and what the plan says should show; when the selection
// fails, the checker says the catalogue is unreadable and its errors point at a fault that
// was planted. Runs on libxml2 natively and on the system component under Wine.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "catalogue/audience.h"
#include "catalogue/cache.h"
#include "catalogue/selection.h"
#include "checker/check.h"
#include "checker/console.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "test_support.h"

namespace notify {
namespace {

// What the generator put into one message, kept so that the expected outcome can be worked
// out from the plan alone, without the selection.
struct PlantedMessage {
  std::optional<std::string> id;     // nothing: no ID attribute
  std::optional<std::string> limit;  // nothing: no Limit attribute
  bool limitIsDate = true;
  std::optional<std::string> check;  // nothing: no Check element
  bool startBad = false;
  bool versionBad = false;
  bool otherLanguage = false;
  bool otherFault = false;           // a fault in an item read after the ID
  MsgRecord record;                  // the record the message fills when it shows
};

struct Planted {
  std::string xml;
  std::vector<std::pair<long, long>> faultyLines;  // first and last line of each message with a fault
  std::set<std::string> catalogueRules;            // rules a catalogue-wide fault may give
  std::vector<PlantedMessage> messages;
  bool catalogueFault = false;  // no AppID, no message, not well-formed or bad pacing
  bool program = false;
  Pacing pacing;
};

struct PlantedCache {
  std::optional<std::string> xml;  // nothing: the user has no cache
  std::vector<std::string> ids;
  bool broken = false;
};

constexpr CivilDate kToday{2026, 6, 1};
constexpr std::int64_t kNow = 1'780'000'000;
const DottedVersion kHostVersion{6, 0, 2, 0};
const std::vector<std::wstring> kLanguages{L"de-AT", L"en-US"};

// The record's fields in catalogue order, for a readable difference.
std::string Fields(const MsgRecord& r) {
  std::string text;
  for (const auto* field : {&r.ID, &r.Style, &r.Logo, &r.Sound, &r.Title, &r.Content, &r.Author, &r.Date, &r.Uri,
                            &r.BtnCls, &r.BtnCfm}) {
    text += ToUtf8(*field) + "|";
  }
  for (const std::int32_t number : {std::int32_t{r.AutoShut}, r.TitleColor, r.ContentColor, r.AuthorColor, r.DateColor,
                                    r.BtnClsColor, r.BtnClsPColor, std::int32_t{r.BtnClsWidth},
                                    std::int32_t{r.BtnClsHeight}, r.BtnCfmColor, r.BtnCfmPColor,
                                    std::int32_t{r.BtnCfmWidth}, std::int32_t{r.BtnCfmHeight}, r.FormColor,
                                    std::int32_t{r.FormWidth}, std::int32_t{r.FormHeight}}) {
    text += std::to_string(number) + " ";
  }
  return text + (r.Round ? "round " : "") + (r.Shadow ? "shadow" : "");
}

// The oracle: the records that show, worked out from the plan in the selection's reading
// order (Limit, Check, ID, seen, then the rest); nothing when the run fails.
std::optional<std::vector<MsgRecord>> ExpectedShow(const Planted& catalogue, const PlantedCache& cache,
                                                   std::optional<std::int64_t> lastShown) {
  if (catalogue.catalogueFault || cache.broken) return std::nullopt;
  std::set<std::wstring> seen;
  for (const auto& id : cache.ids) seen.insert(FoldCase(Trim(FromUtf8(id))));
  std::vector<MsgRecord> show;
  for (const auto& m : catalogue.messages) {
    if (!m.limit || !m.limitIsDate) return std::nullopt;
    if (m.startBad) return std::nullopt;
    if (m.record.Start && kToday < *m.record.Start) continue;
    if (*m.limit == "2020-01-01") continue;  // before today: expired
    if (!m.check) return std::nullopt;
    if (m.check->find("present") != std::string::npos) continue;
    if (!m.id) return std::nullopt;
    const std::wstring id = Trim(FromUtf8(*m.id));
    if (id.empty()) continue;
    if (m.versionBad) return std::nullopt;
    if (m.otherLanguage) continue;
    const auto& r = m.record;
    const bool versioned = r.MinVersion || r.BelowVersion;
    if (versioned && (!catalogue.program || (r.MinVersion && kHostVersion < *r.MinVersion) ||
                      (r.BelowVersion && !(kHostVersion < *r.BelowVersion)))) {
      continue;
    }
    if (seen.contains(FoldCase(id))) continue;
    if (m.otherFault) return std::nullopt;
    if (catalogue.pacing.minHours && lastShown && kNow - *lastShown < *catalogue.pacing.minHours * 3600) continue;
    if (catalogue.pacing.maxPerRun && std::ssize(show) >= *catalogue.pacing.maxPerRun) continue;
    show.push_back(m.record);
  }
  return show;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  bool Chance(int percent) { return std::uniform_int_distribution<int>(0, 99)(random_) < percent; }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random_)];
  }

  std::string Id() { return Pick<std::string>({"alpha", "ALPHA", "beta", "gamma", "delta", " beta ", ""}); }

  Planted Catalogue() {
    Planted planted;
    std::string& x = planted.xml;
    x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (Chance(4)) {
      x += "<Catalog>\n";
      planted.catalogueRules.insert("app-id");
      planted.catalogueFault = true;
    } else {
      x += "<Catalog AppID=\"Prop.Test\"";
      planted.program = Chance(50);
      if (planted.program) x += " Program=\"{#P@CUR}Host.exe\"";
      if (Chance(30)) {
        const std::string count = Pick<std::string>({"1", "2", "3", "0", "many"});
        x += " MaxPerRun=\"" + count + "\"";
        if (count == "0" || count == "many") planted.catalogueFault = true;
        else planted.pacing.maxPerRun = std::stoi(count);
      }
      if (Chance(30)) {
        x += " MinHours=\"24\"";
        planted.pacing.minHours = 24;
      }
      if (planted.catalogueFault) planted.catalogueRules.insert("value");
      x += ">\n";
    }
    long line = 3;
    const int count = std::uniform_int_distribution<int>(0, 9)(random_);
    if (count == 0) {
      planted.catalogueRules.insert("no-message");
      planted.catalogueFault = true;
    }
    for (int i = 0; i < count; ++i) {
      PlantedMessage& p = planted.messages.emplace_back();
      MsgRecord& r = p.record;
      // A fault may sit in any item; the ones read before the ID are tracked one by one.
      bool fault = false;
      auto value = [&](const std::string& good, const std::vector<std::string>& bad) {
        if (bad.empty() || !Chance(3)) return good;
        fault = true;
        return Pick(bad);
      };
      auto attribute = [&](const std::string& name, const std::string& good, const std::vector<std::string>& bad) {
        if (Chance(2)) {
          fault = true;
          return std::string();
        }
        return " " + name + "=\"" + value(good, bad) + "\"";
      };
      const long first = line;
      std::string m = "  <Message";
      if (!Chance(3)) {
        p.id = Id();
        m += " ID=\"" + *p.id + "\"";
        r.ID = Trim(FromUtf8(*p.id));
      } else {
        fault = true;
      }
      if (!Chance(2)) {
        const std::string limit = Pick<std::string>({"2099-12-31", "2020-01-01", "2026-06-01"});
        p.limit = Chance(3) ? Pick<std::string>({"someday", "2025-02-30", ""}) : limit;
        p.limitIsDate = *p.limit == limit;
        fault = fault || !p.limitIsDate;
        m += " Limit=\"" + *p.limit + "\"";
      } else {
        fault = true;
      }
      if (Chance(25)) {
        const auto start = Pick<std::pair<std::string, std::optional<CivilDate>>>(
            {{"2026-01-01", CivilDate{2026, 1, 1}}, {"2026-06-01", kToday}, {"2026-07-01", CivilDate{2026, 7, 1}},
             {"soon", std::nullopt}});
        m += " Start=\"" + start.first + "\"";
        r.Start = start.second;
        p.startBad = !start.second;
        fault = fault || p.startBad;
      }
      if (Chance(25)) {
        const auto lang = Pick<std::pair<std::string, bool>>(
            {{"de", true}, {"fr", false}, {"de-DE en", true}, {"zh-CN", false}, {"DE-at", true}});
        m += " Lang=\"" + lang.first + "\"";
        r.Lang = LanguageTags(FromUtf8(lang.first));
        p.otherLanguage = !lang.second;
      }
      auto version = [&](const char* name, std::optional<DottedVersion>& field) {
        if (!Chance(20)) return;
        const auto v = Pick<std::pair<std::string, std::optional<DottedVersion>>>(
            {{"6", DottedVersion{6, 0, 0, 0}}, {"6.0.2", kHostVersion}, {"7.1", DottedVersion{7, 1, 0, 0}},
             {"x.y", std::nullopt}});
        m += std::string(" ") + name + "=\"" + v.first + "\"";
        field = v.second;
        p.versionBad = p.versionBad || !v.second;
        fault = fault || !v.second;
      };
      version("MinVersion", r.MinVersion);
      version("BelowVersion", r.BelowVersion);
      const bool faultBeforeRest = fault;
      fault = false;
      m += attribute("Style", "Blue", {});
      r.Style = L"Blue";
      const auto autoShut = Pick<std::pair<std::string, std::int16_t>>({{"0", 0}, {"5", 5}, {"&amp;H10", 16}});
      m += attribute("AutoShut", autoShut.first, {"five", "40000"});
      r.AutoShut = autoShut.second;
      m += ">\n";
      line += 1;
      auto child = [&](const std::string& element) {
        if (Chance(2)) {
          fault = true;
          return false;
        }
        m += "    " + element + "\n";
        line += 1;
        return true;
      };
      const std::string check = Pick<std::string>({"", "", "{#P@CUR}present.txt", "{#P@CUR}absent.txt"});
      const bool faultBeforeCheck = fault;
      if (child("<Check>" + check + "</Check>")) p.check = check;
      fault = faultBeforeCheck;  // a missing Check is told by p.check
      child("<Uri>https://example.org/</Uri>");
      r.Uri = L"https://example.org/";
      child("<Logo>l.png</Logo>");
      r.Logo = L"l.png";
      child("<Sound></Sound>");
      const auto width = Pick<std::pair<std::string, std::int16_t>>({{"300", 4500}, {"1", 15}, {"-2", -30}});
      child("<Form Color=\"" + value("FFFFFF", {"GG", "123456789"}) + "\" Width=\"" +
            value(width.first, {"abc", "3000"}) + "\" Height=\"" + value("120", {"-", "1e9"}) +
            "\" Round=\"ON\" Shadow=\"off\"/>");
      r.FormColor = 0xFFFFFF;
      r.FormWidth = width.second;
      r.FormHeight = 1800;
      r.Round = true;
      r.Shadow = false;
      const std::vector<std::pair<std::string, std::int32_t>> colours = {{"00FF00", 0xFF00}, {"A", 10}, {"123", 0x123}};
      const std::pair<const char*, std::pair<std::wstring*, std::int32_t*>> texts[] = {
          {"Title", {&r.Title, &r.TitleColor}},
          {"Content", {&r.Content, &r.ContentColor}},
          {"Author", {&r.Author, &r.AuthorColor}},
          {"Date", {&r.Date, &r.DateColor}}};
      for (const auto& [text, fields] : texts) {
        const auto colour = Pick(colours);
        child(std::string("<") + text + " Color=\"" + value(colour.first, {"xyz"}) + "\">" + text + "</" + text + ">");
        *fields.first = FromUtf8(text);
        *fields.second = colour.second;
      }
      r.BtnCls = L"B";
      r.BtnClsWidth = 60;
      r.BtnClsHeight = 20;
      r.BtnCfm = L"B";
      r.BtnCfmWidth = 61;
      r.BtnCfmHeight = 21;
      for (const char* button : {"BtnCls", "BtnCfm"}) {
        const bool close = std::string(button) == "BtnCls";
        child(std::string("<") + button + " Color=\"" + (close ? "1" : "2") + "\" PColor=\"" + (close ? "3" : "4") +
              "\" Width=\"" + value(close ? "60" : "61", {"wide"}) + "\" Height=\"" + (close ? "20" : "21") +
              "\">B</" + button + ">");
      }
      r.BtnClsColor = 1;
      r.BtnClsPColor = 3;
      r.BtnCfmColor = 2;
      r.BtnCfmPColor = 4;
      m += "  </Message>\n";
      line += 1;
      x += m;
      p.otherFault = fault;
      if (faultBeforeRest || fault || !p.check) planted.faultyLines.emplace_back(first, line - 1);
    }
    x += "</Catalog>\n";
    if (Chance(3)) {
      x.insert(x.size() / 2, "<");
      planted.catalogueRules = {"well-formed"};
      planted.catalogueFault = true;
      planted.faultyLines.clear();
    }
    return planted;
  }

  PlantedCache Cache() {
    PlantedCache planted;
    if (Chance(25)) return planted;
    std::string cache = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>";
    for (int i = std::uniform_int_distribution<int>(0, 4)(random_); i > 0; --i) {
      planted.ids.push_back(Id());
      cache += "<ID>" + planted.ids.back() + "</ID>";
    }
    planted.broken = Chance(5);
    planted.xml = planted.broken ? cache : cache + "</Config>";  // broken: no end tag
    return planted;
  }

 private:
  std::mt19937 random_;
};

TEST(CheckerProperty, ShowListIsWhatTheSelectionAcceptsAndFailuresAreNamed) {
  // The system XML component needs COM on this thread, as NotifyCheck.exe readies it.
  ASSERT_TRUE(checker::PrepareProcess());
  const auto document = checker::NewCheckerDocument();
  ASSERT_NE(document, nullptr);
  const auto dates = std::make_shared<PortableDateParser>(DateOrder::YearMonthDay);
  int readable = 0;
  int unreadable = 0;
  std::size_t shownTotal = 0;
  std::set<checker::Decision> met;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Generator generate(seed);
    test::TempDir scratch;
    const Planted planted = generate.Catalogue();
    test::WriteBytes(scratch / "Message.xml", planted.xml);
    test::WriteBytes(scratch / "present.txt", "x");
    const std::wstring appData = scratch.text() + L"data\\";
    const std::wstring cachePath = CachePathFor(appData, L"Prop.Test");
    const PlantedCache cache = generate.Cache();
    if (cache.xml) test::WriteBytes(scratch.path() / "data" / "Korvane" / "Prop" / "Test" / "MessageCache.xml", *cache.xml);
    const std::optional<std::int64_t> lastShown =
        generate.Pick<std::optional<std::int64_t>>({std::nullopt, kNow - 3600, kNow - 48 * 3600});
    const auto expected = ExpectedShow(planted, cache, lastShown);

    checker::CheckOptions options;
    options.folder = scratch.text();
    options.today = kToday;
    options.cache = checker::CacheMode::File;
    options.cacheFile = cachePath;
    options.dates = dates;
    options.languages = kLanguages;
    options.programVersion = kHostVersion;
    options.now = kNow;
    options.lastShown = lastShown;
    const checker::CheckReport report = checker::CheckFolder(options, *document);

    SetProgramFolder(scratch.text());
    SelectionEnvironment env{appData, [] { return kToday; }, dates, {}};
    env.Languages = [] { return kLanguages; };
    env.ProgramVersion = [](const std::wstring&) { return std::optional(kHostVersion); };
    env.Now = [] { return kNow; };
    env.LastShown = [&](xml::DomDocument&, const std::wstring&) { return lastShown; };
    CatalogueState state;
    const bool selected = SelectMessages(document.get(), state, env);

    ASSERT_EQ(report.readable, selected) << planted.xml;
    ASSERT_EQ(expected.has_value(), selected) << planted.xml;
    if (selected) {
      ++readable;
      EXPECT_EQ(report.ExitStatus(), 0);
      std::vector<MsgRecord> accepted;
      for (const auto& record : state.Messages) {
        if (!record.IsEmpty()) accepted.push_back(record);
      }
      ASSERT_EQ(report.show.size(), accepted.size()) << planted.xml;
      ASSERT_EQ(expected->size(), accepted.size()) << planted.xml;
      for (std::size_t i = 0; i < accepted.size(); ++i) {
        EXPECT_EQ(report.show[i].second, accepted[i]);
        EXPECT_EQ((*expected)[i], accepted[i]) << Fields((*expected)[i]) << "\n" << Fields(accepted[i]) << "\n"
                                               << planted.xml;
      }
      shownTotal += accepted.size();
      for (const auto& m : report.messages) met.insert(m.decision);
      continue;
    }
    ++unreadable;
    EXPECT_EQ(report.ExitStatus(), 1);
    EXPECT_TRUE(report.show.empty());
    std::vector<const checker::Diagnostic*> errors;
    for (const auto& d : report.diagnostics) {
      if (d.severity == checker::Severity::Error) errors.push_back(&d);
    }
    ASSERT_FALSE(errors.empty()) << planted.xml;
    for (const auto* error : errors) {
      const bool inFaultyMessage = std::any_of(planted.faultyLines.begin(), planted.faultyLines.end(), [&](auto lines) {
        return error->line >= lines.first && error->line <= lines.second;
      });
      const bool catalogueWide = planted.catalogueRules.contains(error->rule) || (cache.broken && error->rule == "well-formed");
      EXPECT_TRUE(inFaultyMessage || catalogueWide)
          << error->rule << " at " << error->line << ": " << ToUtf8(error->message) << "\n" << planted.xml;
    }
  }
  // Both outcomes must have been met for the property to mean anything.
  EXPECT_GT(readable, 20);
  EXPECT_GT(unreadable, 20);
  EXPECT_GT(shownTotal, 20u);
  for (const auto decision : {checker::Decision::Expired, checker::Decision::CheckFile, checker::Decision::Seen,
                              checker::Decision::NotYet, checker::Decision::OtherLanguage,
                              checker::Decision::OtherVersion, checker::Decision::Held}) {
    EXPECT_TRUE(met.contains(decision)) << checker::DecisionName(decision);
  }
}

}  // namespace
}  // namespace notify
