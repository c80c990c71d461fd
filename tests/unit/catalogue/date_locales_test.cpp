// The date conversion of each user locale the checker judges a Limit in, held to the table
// measured on the Windows build under Wine (tools/date_forms/measure.sh). Natively this
// checks the model; under Wine it checks the system's conversion through the product's call.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/conversions.h"
#include "platform/text.h"
#include "test_support.h"

namespace notify {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

std::string Shown(const std::optional<CivilDate>& date) {
  if (!date) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date->Year, date->Month, date->Day);
  return text;
}

TEST(DateLocales, EachLocaleReadsWhatWasMeasured) {
  std::stringstream table(test::ReadBytes(test::FixturePath("../../tools/date_forms/measured.tsv")));
  std::vector<std::string> locales;
  int rows = 0;
  for (std::string line; std::getline(table, line);) {
    if (line.starts_with("#")) continue;
    const auto fields = Split(line);
    if (locales.empty()) {
      locales.assign(fields.begin() + 1, fields.end());
      ASSERT_EQ(locales.size(), kLimitLocales.size());
      continue;
    }
    ASSERT_EQ(fields.size(), locales.size() + 1) << line;
    ++rows;
    for (std::size_t i = 0; i < locales.size(); ++i) {
      EXPECT_EQ(ToUtf8(kLimitLocales[i]), locales[i]);
      const auto parser = LocaleDateParser(FromUtf8(locales[i]));
      EXPECT_EQ(Shown(parser->Parse(FromUtf8(fields[0]))), fields[i + 1]) << "[" << fields[0] << "] in " << locales[i];
    }
  }
  EXPECT_GE(rows, 30);
}

// The program's own parser (the user's locale; natively the English model) never reads a
// date that the English locale refuses.
TEST(DateLocales, TheSystemParserIsTheEnglishOne) {
  const auto system = SystemDateParser();
  const auto english = LocaleDateParser(L"en-US");
  for (const wchar_t* text : {L"02.01.2027", L"31.01.2027", L"2.1.27", L"02/01/2027", L"27-01-02", L"Jan 2, 2027",
                              L"Januar 2027", L"2027-13-01", L"someday"}) {
    EXPECT_EQ(Shown(system->Parse(text)), Shown(english->Parse(text))) << ToUtf8(text);
  }
  EXPECT_THROW(LocaleDateParser(L"xx-XX"), std::exception);
}

TEST(DateLocales, PlainFormsTable) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"2027-01-02", true},  {L"2027/01/02", true},  {L"2027-01/02", false}, {L"2027.01.02", false},
      {L"2027-1-2", false},   {L"27-01-02", false},   {L"2027-13-01", false}, {L"2027-02-30", false},
      {L"02/01/2027", false}, {L" 2027-01-02", false}, {L"2027-01-0x", false}, {L"", false},
  };
  for (const auto& [text, plain] : cases) EXPECT_EQ(IsPlainDateForm(text), plain) << ToUtf8(text);
}

}  // namespace
}  // namespace notify
