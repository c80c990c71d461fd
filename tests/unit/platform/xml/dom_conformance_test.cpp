// One suite for both backends: the same document must answer the same way whether
// libxml2 (native build) or MSXML (under Wine) sits behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "platform/error.h"
#include "platform/text.h"
#include "platform/xml/encoding.h"
#include "test_support.h"
#include "whitespace_cases.h"
#include "xml_test_support.h"

namespace notify::xml::test {
namespace {

using notify::test::ReadBytes;
using notify::test::TempDir;
using notify::test::WriteBytes;

constexpr const wchar_t* kCatalog =
    L"<Catalog>"
    L"<Message ID='m1'><Check>c1</Check></Message>"
    L"<Group><Message ID='m2'><Check>c2</Check></Message>"
    L"<Sub><Message ID='m3'/></Sub></Group>"
    L"<Message ID='m4'><Check>c4</Check></Message>"
    L"</Catalog>";

unsigned long CurrentProcessId() {
#ifdef _WIN32
  return static_cast<unsigned long>(_getpid());
#else
  return static_cast<unsigned long>(getpid());
#endif
}

class DomConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = NewDocument();
    ASSERT_NE(doc, nullptr) << "no XML backend could be created";
  }
  void LoadText(const std::wstring& text) { ASSERT_TRUE(doc->loadXML(text)) << ToUtf8(text.substr(0, 200)); }
  std::wstring Attr(const DomNode& node, const std::wstring& name) {
    return node.Attributes().getNamedItem(name).Text();
  }
  std::unique_ptr<DomDocument> doc;
};

TEST_F(DomConformance, SelectsMessagesAtEveryDepthInDocumentOrder) {
  LoadText(kCatalog);
  const auto messages = doc->selectNodes(L".//Message");
  ASSERT_EQ(messages.Length(), 4);
  const std::vector<std::wstring> expected{L"m1", L"m2", L"m3", L"m4"};
  for (std::int32_t i = 0; i < 4; ++i) EXPECT_EQ(Attr(messages.Item(i), L"ID"), expected[static_cast<std::size_t>(i)]);
  EXPECT_TRUE(messages.Item(4).IsNothing());
  EXPECT_TRUE(messages.Item(-1).IsNothing());
  // Relative to a node: only that node's subtree.
  EXPECT_EQ(doc->documentElement().SelectSingleNode(L"Group").selectNodes(L".//Message").Length(), 2);
}

TEST_F(DomConformance, ChildNameIsRelativeToTheNode) {
  LoadText(kCatalog);
  const auto messages = doc->selectNodes(L".//Message");
  EXPECT_EQ(messages.Item(1).SelectSingleNode(L"Check").Text(), L"c2");
  EXPECT_EQ(messages.Item(3).SelectSingleNode(L"Check").Text(), L"c4");
  EXPECT_TRUE(messages.Item(2).SelectSingleNode(L"Check").IsNothing());
  EXPECT_EQ(messages.Item(0).selectNodes(L"Check").Length(), 1);
}

TEST_F(DomConformance, RootIsFoundByItsOwnName) {
  LoadText(kCatalog);
  const auto root = doc->SelectSingleNode(L"Catalog");
  ASSERT_FALSE(root.IsNothing());
  EXPECT_EQ(root.nodeName(), L"Catalog");
  EXPECT_EQ(doc->documentElement().baseName(), L"Catalog");
  EXPECT_TRUE(doc->SelectSingleNode(L"Message").IsNothing()) << "Message is no child of the document";
  EXPECT_TRUE(doc->SelectSingleNode(L"Config").IsNothing());
}

TEST_F(DomConformance, PrefixedRootHasBaseNameButIsNotFoundByIt) {
  LoadText(L"<p:Root xmlns:p='urn:notify-test'><p:Item/></p:Root>");
  const auto root = doc->documentElement();
  EXPECT_EQ(root.nodeName(), L"p:Root");
  EXPECT_EQ(root.baseName(), L"Root");
  EXPECT_TRUE(doc->SelectSingleNode(L"Root").IsNothing());
}

TEST_F(DomConformance, AttributesPresentAbsentAndEscaped) {
  LoadText(L"<Message ID='m1' Note='a &amp; b &lt;c&gt;' Empty=''/>");
  const auto attributes = doc->documentElement().Attributes();
  EXPECT_EQ(attributes.getNamedItem(L"ID").Text(), L"m1");
  EXPECT_EQ(attributes.getNamedItem(L"Note").Text(), L"a & b <c>");
  EXPECT_EQ(attributes.getNamedItem(L"Empty").Text(), L"");
  EXPECT_EQ(attributes.getNamedItem(L"ID").kind(), NodeKind::Attribute);
  const auto absent = attributes.getNamedItem(L"id");  // names match with case
  EXPECT_TRUE(absent.IsNothing());
  EXPECT_THROW(absent.Text(), RuntimeError);
  EXPECT_THROW(absent.Attributes(), RuntimeError);
}

TEST_F(DomConformance, TextConcatenatesDescendantsInOrder) {
  LoadText(L"<a>x<b>y<c>z</c><!--not text--></b><![CDATA[<w>&]]><?pi data?>q</a>");
  EXPECT_EQ(doc->documentElement().Text(), L"xyz<w>&q");
  EXPECT_EQ(doc->documentElement().SelectSingleNode(L"b").Text(), L"yz");
}

// Element text as the system component gives it (checked against it under Wine): without
// preserved white space the ends lose space, tab, CR and LF, but CDATA keeps its own.
TEST_F(DomConformance, ElementTextDropsXmlWhiteSpaceAtTheEnds) {
  for (const auto& c : notify::test::WhitespaceTexts()) {
    doc->PreserveWhitespace(false);
    LoadText(c.xml);
    EXPECT_EQ(doc->documentElement().Text(), c.dropped) << ToUtf8(c.xml);
    EXPECT_EQ(doc->AsNode().Text(), c.dropped) << ToUtf8(c.xml);
    doc->PreserveWhitespace(true);
    LoadText(c.xml);
    EXPECT_EQ(doc->documentElement().Text(), c.preserved) << ToUtf8(c.xml);
  }
  doc->PreserveWhitespace(false);
  LoadText(L"<a> y <b/></a>");
  EXPECT_EQ(doc->documentElement().childNodes().Item(0).Text(), L"y");
  doc->PreserveWhitespace(true);  // read by the flag as it is now
  EXPECT_EQ(doc->documentElement().Text(), L" y ");
  doc->PreserveWhitespace(false);
  doc->documentElement().Text(L"  id\t");
  EXPECT_EQ(doc->documentElement().Text(), L"id");
}

TEST_F(DomConformance, SettingTextReplacesChildren) {
  LoadText(L"<a><b>old<c/></b></a>");
  auto b = doc->documentElement().SelectSingleNode(L"b");
  const auto oldChild = b.SelectSingleNode(L"c");  // held across the replacement
  b.Text(L"new & <fresh>");
  EXPECT_EQ(oldChild.nodeName(), L"c");
  EXPECT_EQ(b.Text(), L"new & <fresh>");
  EXPECT_EQ(b.childNodes().Length(), 1);
  EXPECT_TRUE(b.SelectSingleNode(L"c").IsNothing());

  ASSERT_TRUE(doc->loadXML(L"<a k='old'/>"));
  auto attribute = doc->documentElement().Attributes().getNamedItem(L"k");
  attribute.Text(L"new \"value\"");
  EXPECT_EQ(doc->documentElement().Attributes().getNamedItem(L"k").Text(), L"new \"value\"");
}

TEST_F(DomConformance, CreateElementAndAppendChild) {
  LoadText(L"<Cache><ID>a</ID></Cache>");
  auto id = doc->createElement(L"ID");
  EXPECT_EQ(id.kind(), NodeKind::Element);
  id.Text(L"b");
  const auto appended = doc->documentElement().appendChild(id);
  EXPECT_EQ(appended.Text(), L"b");
  const auto ids = doc->selectNodes(L".//ID");
  ASSERT_EQ(ids.Length(), 2);
  EXPECT_EQ(ids.Item(0).Text(), L"a");
  EXPECT_EQ(ids.Item(1).Text(), L"b");
  EXPECT_THROW(doc->createElement(L""), RuntimeError);
  EXPECT_THROW(doc->createElement(L"a b"), RuntimeError);
}

TEST_F(DomConformance, AppendingANodeUnderItselfFails) {
  LoadText(L"<a><b/></a>");
  auto a = doc->documentElement();
  auto b = a.SelectSingleNode(L"b");
  EXPECT_THROW(b.appendChild(a), RuntimeError);
  EXPECT_THROW(a.appendChild(a), RuntimeError);
  EXPECT_THROW(a.appendChild(DomNode()), RuntimeError);
  EXPECT_EQ(doc->documentElement().nodeName(), L"a");
}

TEST_F(DomConformance, DeclarationInsertedBeforeTheRoot) {
  LoadText(L"<Config/>");
  const auto pi = doc->createProcessingInstruction(L"xml", L"version='1.0' encoding='UTF-8'");
  doc->insertBefore(pi, doc->childNodes().Item(0));
  const auto children = doc->childNodes();
  ASSERT_EQ(children.Length(), 2);
  EXPECT_EQ(children.Item(0).kind(), NodeKind::ProcessingInstruction);
  EXPECT_EQ(children.Item(0).nodeName(), L"xml");
  EXPECT_EQ(children.Item(1).nodeName(), L"Config");
  EXPECT_EQ(doc->documentElement().nodeName(), L"Config");
}

TEST_F(DomConformance, LoadedDeclarationIsTheFirstChild) {
  LoadText(L"<?xml version=\"1.0\" encoding=\"GB2312\"?><Config/>");
  const auto first = doc->childNodes().Item(0);
  EXPECT_EQ(first.kind(), NodeKind::ProcessingInstruction);
  EXPECT_EQ(first.nodeName(), L"xml");
  EXPECT_NE(first.Text().find(L"GB2312"), std::wstring::npos);
  EXPECT_EQ(doc->documentElement().nodeName(), L"Config");
}

struct WhitespaceCase {
  bool preserve;
  std::int32_t rootChildren;
  const wchar_t* itemText;
};

void PrintTo(const WhitespaceCase& c, std::ostream* os) { *os << (c.preserve ? "preserve" : "drop"); }

class DomWhitespace : public DomConformance, public ::testing::WithParamInterface<WhitespaceCase> {};

TEST_P(DomWhitespace, WhitespaceOnlyTextFollowsTheFlag) {
  doc->PreserveWhitespace(GetParam().preserve);
  EXPECT_EQ(doc->PreserveWhitespace(), GetParam().preserve);
  LoadText(L"<Root>\r\n  <Item> x </Item>\r\n  <Item>y</Item>\r\n</Root>");
  EXPECT_EQ(doc->documentElement().childNodes().Length(), GetParam().rootChildren);
  EXPECT_EQ(doc->selectNodes(L".//Item").Item(0).Text(), GetParam().itemText);
}

INSTANTIATE_TEST_SUITE_P(Flag, DomWhitespace,
                         ::testing::Values(WhitespaceCase{false, 2, L"x"}, WhitespaceCase{true, 5, L" x "}),
                         [](const ::testing::TestParamInfo<WhitespaceCase>& param) {
                           return std::string(param.param.preserve ? "Preserved" : "Dropped");
                         });

TEST_F(DomConformance, FailedLoadsLeaveAnEmptyDocument) {
  // (An undeclared prefix is refused by libxml2 and the system component but not by Wine's.)
  const std::vector<std::wstring> bad{L"", L"plain text", L"<a><b></a>", L"<a/><b/>",
                                      L"<?xml version='1.0'?>", L"<a attr=x/>"};
  for (const auto& text : bad) {
    LoadText(kCatalog);
    EXPECT_FALSE(doc->loadXML(text)) << ToUtf8(text);
    EXPECT_TRUE(doc->documentElement().IsNothing()) << ToUtf8(text);
  }
  TempDir dir;
  LoadText(kCatalog);
  EXPECT_FALSE(doc->Load(ModulePath(dir / "missing.xml")));
  EXPECT_TRUE(doc->documentElement().IsNothing());
}

TEST_F(DomConformance, NothingAndEmptyListsThrowOrAnswerNothing) {
  EXPECT_THROW(DomNode().Text(), RuntimeError);
  EXPECT_THROW(DomNode().nodeName(), RuntimeError);
  EXPECT_THROW(DomNode().selectNodes(L"x"), RuntimeError);
  EXPECT_THROW(DomNodeList().Length(), RuntimeError);
  LoadText(kCatalog);
  EXPECT_EQ(doc->selectNodes(L".//Nothing").Length(), 0);
  EXPECT_TRUE(doc->selectNodes(L".//Nothing").Item(0).IsNothing());
  EXPECT_THROW(doc->selectNodes(L"((("), RuntimeError);
}

TEST_F(DomConformance, NodesOutliveAReload) {
  LoadText(kCatalog);
  const auto message = doc->selectNodes(L".//Message").Item(0);
  LoadText(L"<Other/>");
  EXPECT_EQ(message.Attributes().getNamedItem(L"ID").Text(), L"m1");
  EXPECT_EQ(doc->documentElement().nodeName(), L"Other");
}

// ---- save, reload and bytes

// The parsed structure, so that two serialisers' formatting differences do not matter.
std::wstring Structure(const DomNode& node) {
  std::wstring out = std::to_wstring(static_cast<int>(node.kind())) + L":" + node.nodeName();
  if (node.kind() == NodeKind::Element) {
    for (const wchar_t* name : {L"ID", L"Note", L"Quote", L"xmlns:p"}) {
      const auto attribute = node.Attributes().getNamedItem(name);
      if (!attribute.IsNothing()) out += L" @" + std::wstring(name) + L"=" + attribute.Text();
    }
    out += L"[";
    const auto children = node.childNodes();
    for (std::int32_t i = 0; i < children.Length(); ++i) out += Structure(children.Item(i)) + L",";
    return out + L"]";
  }
  return out + L"=" + node.Text();
}

std::wstring DocumentStructure(const DomDocument& document) {
  std::wstring out;
  const auto children = document.childNodes();
  for (std::int32_t i = 0; i < children.Length(); ++i) {
    const auto child = children.Item(i);
    if (child.kind() != NodeKind::ProcessingInstruction || child.nodeName() != L"xml") out += Structure(child) + L";";
  }
  return out;
}

TEST_F(DomConformance, SaveAndReloadKeepStructure) {
  doc->PreserveWhitespace(true);
  LoadText(
      L"<?xml version='1.0' encoding='UTF-8'?>"
      L"<!--head--><Catalog Note='a&amp;b &quot;q&quot; &lt;&gt; tab&#9;nl&#10;end' Quote=\"it's\">"
      L"<Message ID='m1'>text &amp; &lt;more&gt; \x4E2D\x6587 \xE9</Message>"
      L"<![CDATA[raw <b> & ]]]]><![CDATA[> end]]><?target some data?><!-- c -->"
      L"<p:E xmlns:p='urn:x'><p:F/></p:E>"
      L"</Catalog>");
  auto added = doc->createElement(L"ID");
  added.Text(L"new\r\nline");
  doc->documentElement().appendChild(added);
  const auto before = DocumentStructure(*doc);

  TempDir dir;
  const auto file = ModulePath(dir / "round.xml");
  doc->Save(file);
  auto again = NewDocument();
  again->PreserveWhitespace(true);
  ASSERT_TRUE(again->Load(file)) << ReadBytes(dir / "round.xml");
  EXPECT_EQ(DocumentStructure(*again), before);
  EXPECT_EQ(again->childNodes().Item(0).nodeName(), L"xml");
}

TEST_F(DomConformance, SaveWithoutDeclarationWritesUtf8) {
  LoadText(L"<a>\x4E2D\xE9</a>");
  TempDir dir;
  doc->Save(ModulePath(dir / "plain.xml"));
  const auto bytes = ReadBytes(dir / "plain.xml");
  EXPECT_NE(bytes.find("<a>\xE4\xB8\xAD\xC3\xA9</a>"), std::string::npos) << bytes;
}

std::string Utf16Bytes(const std::u16string& text, bool littleEndian) {
  std::string out;
  for (char16_t u : text) {
    const auto lo = static_cast<char>(u & 0xFF);
    const auto hi = static_cast<char>(u >> 8);
    out += littleEndian ? std::string{lo, hi} : std::string{hi, lo};
  }
  return out;
}

struct EncodingCase {
  const char* name;
  std::string bytes;
};

TEST_F(DomConformance, LoadsEveryUnicodeForm) {
  const std::u16string utf16 = u"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><T A=\"\x00E9\">\x4E2D\x6587 \xD83D\xDE00</T>";
  const std::vector<EncodingCase> cases{
      {"UTF-8 without BOM", "<T A=\"\xC3\xA9\">\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80</T>"},
      {"UTF-8 with BOM", "\xEF\xBB\xBF<T A=\"\xC3\xA9\">\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80</T>"},
      {"UTF-8 declared", "<?xml version='1.0' encoding='utf-8'?><T A=\"\xC3\xA9\">\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80</T>"},
      {"UTF-16LE with BOM", Utf16Bytes(utf16, true)},
      {"UTF-16BE with BOM", Utf16Bytes(utf16, false)},
  };
  std::wstring expected = L"\x4E2D\x6587 ";
  expected += sizeof(wchar_t) == 2 ? std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}
                                   : std::wstring{static_cast<wchar_t>(0x1F600)};
  TempDir dir;
  for (const auto& c : cases) {
    WriteBytes(dir / "enc.xml", c.bytes);
    ASSERT_TRUE(doc->Load(ModulePath(dir / "enc.xml"))) << c.name;
    EXPECT_EQ(doc->documentElement().Text(), expected) << c.name;
    EXPECT_EQ(Attr(doc->documentElement(), L"A"), L"\xE9") << c.name;
  }
}

TEST_F(DomConformance, InvalidBytesOrUnknownEncodingFailToLoad) {
  const std::vector<EncodingCase> cases{
      {"broken UTF-8", "<T>\xE4\xB8</T>"},
      {"unknown encoding", "<?xml version='1.0' encoding='x-no-such-thing'?><T/>"},
      {"odd UTF-16", "\xFF\xFE<\0T\0/\0>\0!"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    WriteBytes(dir / "bad.xml", c.bytes);
    EXPECT_FALSE(doc->Load(ModulePath(dir / "bad.xml"))) << c.name;
  }
}

TEST_F(DomConformance, Gb2312RoundTrip) {
  ASSERT_TRUE(doc->Load(notify::test::FixtureText("xml/catalog_gb2312.xml")));
  EXPECT_EQ(doc->selectNodes(L".//Title").Item(0).Text(), L"\x4E2D\x6587\x6D88\x606F");
  EXPECT_EQ(Attr(doc->documentElement(), L"Name"), L"\x76EE\x5F55");
  auto id = doc->createElement(L"ID");
  id.Text(L"\x65B0 \x20AC \xD55C");  // 新, the euro sign (code page 936 has it), 한 (it has not)
  doc->documentElement().appendChild(id);

  TempDir dir;
  doc->Save(ModulePath(dir / "gb.xml"));
  const auto bytes = ReadBytes(dir / "gb.xml");
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"GB2312\"?>", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("\xD6\xD0\xCE\xC4\xCF\xFB\xCF\xA2"), std::string::npos) << "GB2312 bytes of the title";
  EXPECT_NE(bytes.find("\xC4\xBF\xC2\xBC"), std::string::npos) << "GB2312 bytes of the attribute";
  EXPECT_NE(bytes.find("\xD0\xC2 \x80 &#54620;"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("\xE4\xB8\xAD"), std::string::npos) << "no UTF-8 bytes";

  auto again = NewDocument();
  ASSERT_TRUE(again->Load(ModulePath(dir / "gb.xml")));
  EXPECT_EQ(again->selectNodes(L".//Title").Item(0).Text(), L"\x4E2D\x6587\x6D88\x606F");
  EXPECT_EQ(again->selectNodes(L".//ID").Item(0).Text(), L"\x65B0 \x20AC \xD55C");
}

// Catalogues and the cache in encodings beyond the hand-written names: loaded, then
// saved in the declared encoding and loaded again.
TEST_F(DomConformance, DeclaredEncodingsTheSystemReadsLoadAndSave) {
  struct Case {
    const wchar_t* encoding;
    const wchar_t* text;
  };
  const Case cases[] = {{L"EUC-CN", L"\x4E2D\x6587 ~"},    {L"HZ-GB-2312", L"\x4E2D~\x6587 a"},
                        {L"x-mac-chinesesimp", L"\x4E2D\x6587"}, {L"UTF-32", L"\x4E2D \x0E01"},
                        {L"UTF-32BE", L"\x4E2D"},               {L"windows-874", L"\x0E01\x0E02 \x20AC"}};
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.encoding));
#ifndef _WIN32
    // glibc's iconv has no Mac Chinese; any other missing name is a fault, not a skip.
    if (std::wstring_view(c.encoding) == L"x-mac-chinesesimp" && !IsKnownEncoding(c.encoding)) continue;
#endif
    ASSERT_TRUE(IsKnownEncoding(c.encoding));
    const std::wstring xml = L"<?xml version=\"1.0\" encoding=\"" + std::wstring(c.encoding) + L"\"?>\r\n<Config><ID>" +
                             c.text + L"</ID></Config>";
    WriteBytes(dir / "in.xml", EncodeText(xml, c.encoding));
    ASSERT_TRUE(doc->Load(ModulePath(dir / "in.xml")));
    EXPECT_EQ(doc->SelectSingleNode(L"Config/ID").Text(), c.text);
    doc->SelectSingleNode(L"Config").appendChild(doc->createElement(L"ID")).Text(c.text);
    doc->Save(ModulePath(dir / "out.xml"));
    auto again = NewDocument();
    ASSERT_TRUE(again->Load(ModulePath(dir / "out.xml")));
    ASSERT_EQ(again->selectNodes(L"Config/ID").Length(), 2);
    EXPECT_EQ(again->selectNodes(L"Config/ID").Item(1).Text(), c.text);
    EXPECT_EQ(DetectXmlEncoding(ReadBytes(dir / "out.xml")).substr(0, 6), std::wstring(c.encoding).substr(0, 6));
  }
}

TEST_F(DomConformance, Latin1SaveUsesCharacterReferences) {
  LoadText(L"<?xml version='1.0' encoding='ISO-8859-1'?><T A='\xE9\x4E2D'>\xE9\x4E2D</T>");
  TempDir dir;
  doc->Save(ModulePath(dir / "l1.xml"));
  const auto bytes = ReadBytes(dir / "l1.xml");
  EXPECT_NE(bytes.find(">\xE9&#20013;</T>"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find('?', bytes.find("?>") + 2), std::string::npos) << "no replacement characters: " << bytes;
  auto again = NewDocument();
  ASSERT_TRUE(again->Load(ModulePath(dir / "l1.xml")));
  EXPECT_EQ(again->documentElement().Text(), L"\xE9\x4E2D");
  EXPECT_EQ(Attr(again->documentElement(), L"A"), L"\xE9\x4E2D");
}

TEST_F(DomConformance, Utf16DeclarationSavesUtf16WithBom) {
  LoadText(L"<?xml version='1.0' encoding='UTF-16'?><T>\x4E2D</T>");
  TempDir dir;
  doc->Save(ModulePath(dir / "u16.xml"));
  const auto bytes = ReadBytes(dir / "u16.xml");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
  EXPECT_NE(bytes.find(std::string("\x2D\x4E", 2)), std::string::npos);
  auto again = NewDocument();
  ASSERT_TRUE(again->Load(ModulePath(dir / "u16.xml")));
  EXPECT_EQ(again->documentElement().Text(), L"\x4E2D");
}

TEST_F(DomConformance, SaveReplacesTheFileAndLeavesNoTemporaryFiles) {
  TempDir dir;
  WriteBytes(dir / "c.xml", "<Old/>");
  LoadText(L"<New/>");
  doc->Save(ModulePath(dir / "c.xml"));
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"c.xml"});
  ASSERT_TRUE(doc->Load(ModulePath(dir / "c.xml")));
  EXPECT_EQ(doc->documentElement().nodeName(), L"New");
}

// A save killed between writing its temporary file and the rename leaves that file; the
// next successful save removes such leftovers of dead writers and nothing else.
TEST_F(DomConformance, SuccessfulSaveRemovesStaleTemporaryFilesOnly) {
  TempDir dir;
  const std::string dead = "2147483644";  // beyond any process id either system hands out
  const std::string self = std::to_string(CurrentProcessId());
  const std::vector<std::string> stale{"c.xml.~" + dead + "-0.tmp", "c.xml.~" + dead + "-17.tmp"};
  std::vector<std::string> kept{"c.xml",
                                "c.xml.~" + self + "-99.tmp",  // a save under way in this process
                                "c.xml.~" + dead + "-0.tmp.bak",
                                "c.xml.~" + dead + "-x.tmp",
                                "c.xml.~0" + dead + "-0.tmp",
                                "c.xml.~-0.tmp",
                                "c.xml.~99999999999-0.tmp",
                                "xc.xml.~" + dead + "-0.tmp",
                                "d.xml.~" + dead + "-0.tmp",
                                "c.xml.bak"};
#ifndef _WIN32
  kept.push_back("c.xml.~" + std::to_string(getppid()) + "-0.tmp");  // a live writer
#endif
  for (const auto& name : stale) WriteBytes(dir / name, "<Half");
  for (const auto& name : kept) WriteBytes(dir / name, "<Other/>");
  std::filesystem::create_directories(dir / ("c.xml.~" + dead + "-1.tmp"));
  kept.push_back("c.xml.~" + dead + "-1.tmp");

  // A failed save touches nothing, leftovers included.
  LoadText(L"<New/>");
  std::filesystem::create_directories(dir / "sub" / "c.xml");
  WriteBytes(dir / "sub" / ("c.xml.~" + dead + "-0.tmp"), "<Half");
  EXPECT_THROW(doc->Save(ModulePath(dir / "sub" / "c.xml")), RuntimeError);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "sub" / "c.xml"));
  EXPECT_TRUE(std::filesystem::exists(dir / "sub" / ("c.xml.~" + dead + "-0.tmp")));
  std::filesystem::remove_all(dir / "sub");

  doc->Save(ModulePath(dir / "c.xml"));
  auto entries = FolderEntries(dir.path());
  std::sort(entries.begin(), entries.end());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(entries, kept);
  EXPECT_EQ(ReadBytes(dir / ("d.xml.~" + dead + "-0.tmp")), "<Other/>");
  ASSERT_TRUE(doc->Load(ModulePath(dir / "c.xml")));
  EXPECT_EQ(doc->documentElement().nodeName(), L"New");
}

TEST_F(DomConformance, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  const std::string old = "<Old>keep me</Old>";
  WriteBytes(dir / "keep" / "c.xml", old);
  std::filesystem::create_directories(dir / "keep" / "folder.xml");
  LoadText(L"<New/>");
  struct Target {
    const char* what;
    std::filesystem::path path;
  };
  const std::vector<Target> targets{
      {"missing folder", dir / "missing" / "c.xml"},
      {"target is a folder", dir / "keep" / "folder.xml"},
  };
  for (const auto& t : targets) {
    EXPECT_THROW(doc->Save(ModulePath(t.path)), RuntimeError) << t.what;
    EXPECT_EQ(ReadBytes(dir / "keep" / "c.xml"), old) << t.what;
    auto entries = FolderEntries(dir / "keep");
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"c.xml", "folder.xml"})) << t.what;
    EXPECT_FALSE(std::filesystem::exists(dir / "missing")) << t.what;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir / "keep" / "folder.xml"));
}

TEST_F(DomConformance, AnEmptyDocumentIsNeverSaved) {
  TempDir dir;
  WriteBytes(dir / "c.xml", "<Old/>");
  EXPECT_FALSE(doc->loadXML(L"<broken"));
  EXPECT_THROW(doc->Save(ModulePath(dir / "c.xml")), RuntimeError);
  EXPECT_EQ(ReadBytes(dir / "c.xml"), "<Old/>");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"c.xml"});
}

TEST_F(DomConformance, UnknownEncodingCannotBeSaved) {
  TempDir dir;
  WriteBytes(dir / "c.xml", "<Old/>");
  LoadText(L"<New/>");
  doc->insertBefore(doc->createProcessingInstruction(L"xml", L"version='1.0' encoding='x-no-such-thing'"),
                    doc->childNodes().Item(0));
  EXPECT_THROW(doc->Save(ModulePath(dir / "c.xml")), RuntimeError);
  EXPECT_EQ(ReadBytes(dir / "c.xml"), "<Old/>");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"c.xml"});
}

}  // namespace
}  // namespace notify::xml::test
