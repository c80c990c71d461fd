// Places must survive what the tag scan steps over: comments and CDATA holding tags,
// attribute values holding '>' or '/', CR LF and lone CR line ends.
#include <gtest/gtest.h>

#include "checker/locator.h"

namespace notify::checker {
namespace {

void ExpectAt(SourcePosition at, long line, long column) {
  EXPECT_EQ(at.line, line);
  EXPECT_EQ(at.column, column);
}

TEST(SourceLocator, FindsMessagesChildrenAndAttributesPastMarkupThatHoldsTags) {
  const SourceLocator locator(
      L"<?xml version=\"1.0\"?>\r\n"
      L"<Catalog AppID=\"a>b\">\r\n"
      L"  <!-- <Message ID=\"commented\"/> -->\r"
      L"  <Message ID=\"one\" Limit=\"x/y\"><Title><![CDATA[<Message>]]></Title>\n"
      L"    <Form\n      Width=\"abc\"/></Message>\n"
      L"  <Message\tID='two'/>\n"
      L"</Catalog>\n");
  ExpectAt(locator.At(locator.Root()), 2, 1);
  ExpectAt(locator.Attribute(locator.Root(), L"AppID"), 2, 10);
  const auto first = locator.Nth(L"Message", 0);
  ExpectAt(locator.At(first), 4, 3);
  ExpectAt(locator.Attribute(first, L"Limit"), 4, 21);
  ExpectAt(locator.Attribute(locator.Child(first, L"Form"), L"Width"), 6, 7);
  // A child the message lacks falls back to the message; the next message's children are not its own.
  EXPECT_EQ(locator.Child(first, L"Sound"), SourceLocator::kNone);
  ExpectAt(locator.Attribute(locator.Nth(L"Message", 1), L"ID"), 7, 12);
  EXPECT_EQ(locator.Nth(L"Message", 2), SourceLocator::kNone);
  EXPECT_TRUE(locator.FirstTagProblem().reason.empty());
}

TEST(SourceLocator, NamesTheFirstTagThatDoesNotNest) {
  const auto mismatch = SourceLocator(L"<a>\n  <b>x</c>\n</a>").FirstTagProblem();
  ExpectAt(mismatch.at, 2, 7);
  EXPECT_NE(mismatch.reason.find(L"</c>"), std::wstring::npos);
  const auto unclosed = SourceLocator(L"<a>\n <b/>\n <c>").FirstTagProblem();
  ExpectAt(unclosed.at, 1, 1);
  EXPECT_NE(unclosed.reason.find(L"<a>"), std::wstring::npos);
}

}  // namespace
}  // namespace notify::checker

namespace notify::checker {
namespace {

// Each fault a reader refuses, found by the scan alone with the same place on every build;
// columns count UTF-16 units, so a character outside the BMP counts two.
TEST(SourceLocator, FindsTheFirstFaultThatMakesTheTextNotWellFormed) {
  struct Case {
    const wchar_t* text;
    long line;
    long column;
    const wchar_t* words;
  };
  const Case cases[] = {
      {L"<a>\n  <Uri>https://x.org/?a=1&b=2</Uri>\n</a>", 2, 26, L"'&' that starts no reference"},
      {L"<a>\n <b>&nbsp;</b></a>", 2, 5, L"&nbsp; is not one of XML's five"},
      {L"<a>&#0;</a>", 1, 4, L"&#0; names no character"},
      {L"<a>&#xD800;</a>", 1, 4, L"&#xD800; names no character"},
      {L"<a x=\"1 < 2\"/>", 1, 9, L"'<' in the value of x"},
      {L"<a x=\"&\"/>", 1, 7, L"'&' that starts no reference"},
      {L"<a>\n<Form Width=300/></a>", 2, 13, L"value of Width is not in quotes"},
      {L"<a>\n<Form Width/></a>", 2, 7, L"attribute Width has no value"},
      {L"<a>\n  <T>x\n  </b>\n</a>", 3, 3, L"does not close the open element <T> (line 2)"},
      {L"<a>\n <b/>\n <c>", 1, 1, L"<a> is never closed"},
      {L"<a>1 < 2</a>", 1, 6, L"'<' that starts no tag"},
      {L"<a><!-- x </a>", 1, 4, L"comment is never closed"},
      {L"<a>\U0001F600&x</a>", 1, 6, L"'&' that starts no reference"},
      {L"<a>\U0001F600<b/>&</a>", 1, 10, L"'&' that starts no reference"},
  };
  for (const Case& c : cases) {
    const auto problem = SourceLocator(c.text).FirstTagProblem();
    EXPECT_EQ(problem.at.line, c.line) << c.text;
    EXPECT_EQ(problem.at.column, c.column) << c.text;
    EXPECT_NE(problem.reason.find(c.words), std::wstring::npos) << c.text << L" => " << problem.reason;
  }
}

TEST(SourceLocator, AcceptsWhatReadersAccept) {
  for (const wchar_t* text : {L"<a x='&amp;&lt;&gt;&quot;&apos;'>&#65;&#x1F600;<![CDATA[ & < ]]><!-- & < --></a>",
                              L"<?xml version=\"1.0\"?>\n<a\n  b = \"1\"\tc='2'/>\n"}) {
    EXPECT_EQ(SourceLocator(text).FirstTagProblem().reason, L"") << text;
  }
  const SourceLocator doctype(L"<?xml version=\"1.0\"?>\n  \U0001F600<!DOCTYPE a>\n<a/>");
  EXPECT_EQ(doctype.Find(L"<!DOCTYPE").line, 2);
  EXPECT_EQ(doctype.Find(L"<!DOCTYPE").column, 5);
}

TEST(FirstUndecodable, NamesTheLineAndColumnOfTheFirstBadBytes) {
  struct Case {
    std::string bytes;
    long line;
    long column;
  };
  const Case cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n  caf\xE9</a>", 3, 6},
      {"\xEF\xBB\xBF<a>\r\n\xC3\xA9\xF0\x9F\x98\x80\xFF</a>", 2, 4},
      {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<a>\x82\xA0\x82</a>", 2, 5},
  };
  for (const Case& c : cases) {
    const auto at = FirstUndecodable(c.bytes);
    ASSERT_TRUE(at) << c.bytes;
    EXPECT_EQ(at->line, c.line) << c.bytes;
    EXPECT_EQ(at->column, c.column) << c.bytes;
  }
  EXPECT_FALSE(FirstUndecodable("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>caf\xE9</a>"));
  EXPECT_FALSE(FirstUndecodable("<a>caf\xC3\xA9</a>"));
}

}  // namespace
}  // namespace notify::checker
