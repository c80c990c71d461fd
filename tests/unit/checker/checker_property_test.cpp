// The checker and the selection agree: on random catalogues and caches the checker's show
// list is, record for record and in order, what SelectMessages accepts; when the selection
// fails, the checker says the catalogue is unreadable and its errors point at a fault that
// was planted. Runs on libxml2 natively and on the system component under Wine.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "catalogue/cache.h"
#include "catalogue/selection.h"
#include "checker/check.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "test_support.h"

namespace notify {
namespace {

struct Planted {
  std::string xml;
  std::vector<std::pair<long, long>> faultyLines;  // first and last line of each message with a fault
  std::set<std::string> catalogueRules;            // rules a catalogue-wide fault may give
};

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
    } else {
      x += "<Catalog AppID=\"Prop.Test\">\n";
    }
    long line = 3;
    const int count = std::uniform_int_distribution<int>(0, 9)(random_);
    if (count == 0) planted.catalogueRules.insert("no-message");
    for (int i = 0; i < count; ++i) {
      bool fault = false;
      auto value = [&](const std::string& good, const std::vector<std::string>& bad) {
        if (!Chance(3)) return good;
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
      if (!Chance(3)) m += " ID=\"" + Id() + "\"";
      else fault = true;
      m += attribute("Limit", Pick<std::string>({"2099-12-31", "2020-01-01", "2026-06-01"}), {"someday", "2025-02-30", ""});
      m += attribute("Style", "Blue", {"Blue"});
      m += attribute("AutoShut", Pick<std::string>({"0", "5", "&amp;H10"}), {"five", "40000"});
      m += ">\n";
      line += 1;
      auto child = [&](const std::string& element) {
        if (Chance(2)) {
          fault = true;
          return;
        }
        m += "    " + element + "\n";
        line += 1;
      };
      child("<Check>" + Pick<std::string>({"", "", "{#P@CUR}present.txt", "{#P@CUR}absent.txt"}) + "</Check>");
      child("<Uri>https://example.org/</Uri>");
      child("<Logo>l.png</Logo>");
      child("<Sound></Sound>");
      child("<Form Color=\"" + value("FFFFFF", {"GG", "123456789"}) + "\" Width=\"" + value("300", {"abc", "3000"}) +
            "\" Height=\"" + value("120", {"-", "1e9"}) + "\" Round=\"ON\" Shadow=\"off\"/>");
      for (const char* text : {"Title", "Content", "Author", "Date"}) {
        child(std::string("<") + text + " Color=\"" + value("00FF00", {"xyz"}) + "\">" + text + "</" + text + ">");
      }
      for (const char* button : {"BtnCls", "BtnCfm"}) {
        child(std::string("<") + button + " Color=\"0\" PColor=\"0\" Width=\"" + value("60", {"wide"}) +
              "\" Height=\"20\">B</" + button + ">");
      }
      m += "  </Message>\n";
      line += 1;
      x += m;
      if (fault) planted.faultyLines.emplace_back(first, line - 1);
    }
    x += "</Catalog>\n";
    if (Chance(3)) {
      x.insert(x.size() / 2, "<");
      planted.catalogueRules = {"well-formed"};
      planted.faultyLines.clear();
    }
    return planted;
  }

  // Nothing when the user has no cache; a broken file sometimes.
  std::optional<std::string> Cache(bool& broken) {
    broken = false;
    if (Chance(25)) return std::nullopt;
    std::string cache = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>";
    for (int i = std::uniform_int_distribution<int>(0, 4)(random_); i > 0; --i) cache += "<ID>" + Id() + "</ID>";
    if (Chance(5)) {
      broken = true;
      return cache;  // no end tag
    }
    return cache + "</Config>";
  }

 private:
  std::mt19937 random_;
};

TEST(CheckerProperty, ShowListIsWhatTheSelectionAcceptsAndFailuresAreNamed) {
  const auto document = checker::NewCheckerDocument();
  ASSERT_NE(document, nullptr);
  const auto dates = std::make_shared<PortableDateParser>(DateOrder::YearMonthDay);
  int readable = 0;
  int unreadable = 0;
  for (unsigned seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Generator generate(seed);
    test::TempDir scratch;
    const Planted planted = generate.Catalogue();
    test::WriteBytes(scratch / "Message.xml", planted.xml);
    test::WriteBytes(scratch / "present.txt", "x");
    const std::wstring appData = scratch.text() + L"data\\";
    const std::wstring cachePath = CachePathFor(appData, L"Prop.Test");
    bool brokenCache = false;
    if (const auto cache = generate.Cache(brokenCache)) {
      test::WriteBytes(scratch.path() / "data" / "Korvane" / "Prop" / "Test" / "MessageCache.xml", *cache);
    }

    checker::CheckOptions options;
    options.folder = scratch.text();
    options.today = CivilDate{2026, 6, 1};
    options.cache = checker::CacheMode::File;
    options.cacheFile = cachePath;
    options.dates = dates;
    const checker::CheckReport report = checker::CheckFolder(options, *document);

    SetProgramFolder(scratch.text());
    SelectionEnvironment env{appData, [] { return CivilDate{2026, 6, 1}; }, dates, {}};
    CatalogueState state;
    const bool selected = SelectMessages(document.get(), state, env);

    ASSERT_EQ(report.readable, selected) << planted.xml;
    if (selected) {
      ++readable;
      EXPECT_EQ(report.ExitStatus(), 0);
      std::vector<MsgRecord> accepted;
      for (const auto& record : state.Messages) {
        if (!record.IsEmpty()) accepted.push_back(record);
      }
      ASSERT_EQ(report.show.size(), accepted.size()) << planted.xml;
      for (std::size_t i = 0; i < accepted.size(); ++i) EXPECT_EQ(report.show[i].second, accepted[i]);
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
      const bool catalogueWide = planted.catalogueRules.contains(error->rule) || (brokenCache && error->rule == "well-formed");
      EXPECT_TRUE(inFaultyMessage || catalogueWide)
          << error->rule << " at " << error->line << ": " << ToUtf8(error->message) << "\n" << planted.xml;
    }
  }
  // Both outcomes must have been met for the property to mean anything.
  EXPECT_GT(readable, 20);
  EXPECT_GT(unreadable, 20);
}

}  // namespace
}  // namespace notify
