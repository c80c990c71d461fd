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
