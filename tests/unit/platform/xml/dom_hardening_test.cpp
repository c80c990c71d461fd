// Hostile documents: they must fail or succeed, never crash, never fetch anything and
// never expand without bound. Inputs are generated here, not stored.
#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/xml/encoding.h"
#include "test_support.h"
#include "xml_test_support.h"

namespace notify::xml::test {
namespace {

using notify::test::TempDir;
using notify::test::WriteBytes;

std::wstring BillionLaughs() {
  std::wstring text = L"<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol0 'lol'>";
  for (int i = 1; i <= 9; ++i) {
    text += L"<!ENTITY lol" + std::to_wstring(i) + L" '";
    for (int k = 0; k < 10; ++k) text += L"&lol" + std::to_wstring(i - 1) + L";";
    text += L"'>";
  }
  return text + L"]><lolz>&lol9;</lolz>";
}

class DomHardening : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = NewDocument();
    ASSERT_NE(doc, nullptr);
  }
  // After any hostile input the same object must still work.
  void ExpectStillUsable() {
    ASSERT_TRUE(doc->loadXML(L"<ok><x>1</x></ok>"));
    EXPECT_EQ(doc->documentElement().Text(), L"1");
  }
  std::unique_ptr<DomDocument> doc;
};

TEST_F(DomHardening, DocumentsWithADtdAreRefused) {
  const std::vector<std::wstring> hostile{
      BillionLaughs(),
      L"<!DOCTYPE r [<!ENTITY x SYSTEM 'file:///etc/hostname'>]><r>&x;</r>",
      L"<!DOCTYPE r SYSTEM 'http://127.0.0.1:9/never.dtd'><r/>",
      L"<!DOCTYPE r PUBLIC '-//x//y' 'never.dtd'><r/>",
      L"<!DOCTYPE r []><r/>",
      L"<!DOCTYPE r><!DOCTYPE r [<!ENTITY a 'b'>]><r>&a;</r>",
      L"<!DOCTYPE><r/>",
      L"<!-- hidden --><?pi x?>\n<!DOCTYPE r [<!ENTITY a 'b'>]><r>&a;</r>",
  };
  for (const auto& text : hostile) {
    EXPECT_FALSE(doc->loadXML(text)) << ToUtf8(text.substr(0, 80));
    EXPECT_TRUE(doc->documentElement().IsNothing());
  }
  TempDir dir;
  WriteBytes(dir / "lol.xml", ToUtf8(BillionLaughs()));
  EXPECT_FALSE(doc->Load(ModulePath(dir / "lol.xml")));
  ExpectStillUsable();
}

// A bare declaration defines nothing, so it is no reason to refuse a catalogue.
TEST_F(DomHardening, BareDoctypeIsAccepted) {
  ASSERT_TRUE(doc->loadXML(L"\xFEFF<?xml version='1.0'?> <!DOCTYPE Messages><Messages><M>1</M></Messages>"));
  EXPECT_EQ(doc->documentElement().nodeName(), L"Messages");
  EXPECT_EQ(doc->SelectSingleNode(L".//M").Text(), L"1");
  ASSERT_TRUE(doc->loadXML(L"<!-- c -->\r\n<!DOCTYPE\tMessages  >\r\n<Messages/>"));
  EXPECT_EQ(doc->documentElement().nodeName(), L"Messages");
  EXPECT_FALSE(doc->loadXML(L"<!DOCTYPE r><r>&a;</r>"));
}

TEST_F(DomHardening, UndefinedEntityIsAnError) {
  EXPECT_FALSE(doc->loadXML(L"<r>&undefined;</r>"));
  ExpectStillUsable();
}

TEST_F(DomHardening, DeepNestingFailsOrLoadsWithoutCrashing) {
  constexpr int kDepth = 100000;
  std::string text;
  text.reserve(kDepth * 8);
  for (int i = 0; i < kDepth; ++i) text += "<a>";
  text += "deep";
  for (int i = 0; i < kDepth; ++i) text += "</a>";
  TempDir dir;
  WriteBytes(dir / "deep.xml", text);
  if (doc->Load(ModulePath(dir / "deep.xml"))) {
    EXPECT_EQ(doc->documentElement().Text(), L"deep");
  } else {
    EXPECT_TRUE(doc->documentElement().IsNothing());
  }
  ExpectStillUsable();
}

TEST_F(DomHardening, HugeTextFailsOrLoadsWhole) {
  constexpr std::size_t kSize = 50u * 1024u * 1024u;
  std::string text = "<r>";
  text.append(kSize, 'a');
  text += "</r>";
  TempDir dir;
  WriteBytes(dir / "huge.xml", text);
  text.clear();
  text.shrink_to_fit();
  if (doc->Load(ModulePath(dir / "huge.xml"))) {
    EXPECT_EQ(doc->documentElement().Text().size(), kSize);
  } else {
    EXPECT_TRUE(doc->documentElement().IsNothing());
  }
  ExpectStillUsable();
}

// Trees built in code have no parser depth limit: our own walks must not recurse.
TEST_F(DomHardening, DeepBuiltTreeSavesAndReadsWithoutRecursion) {
  constexpr int kDepth = 100000;
  ASSERT_TRUE(doc->loadXML(L"<root/>"));
  auto at = doc->documentElement();
  for (int i = 0; i < kDepth; ++i) at = at.appendChild(doc->createElement(L"n"));
  at.Text(L"bottom");
  EXPECT_EQ(doc->documentElement().Text(), L"bottom");
  TempDir dir;
  doc->Save(ModulePath(dir / "built.xml"));
  const auto bytes = notify::test::ReadBytes(dir / "built.xml");
  EXPECT_NE(bytes.find("<n>bottom</n>"), std::string::npos);
  EXPECT_EQ(bytes.size(), std::string("<root>").size() + std::string("</root>").size() + 2 +
                              kDepth * (std::string("<n>").size() + std::string("</n>").size()) + 6);
}

// A character reference only works in text and attribute values: markup holding a character
// the declared code page lacks must not be saved at all, or the file reads back changed
// (or, for a name, not at all). Text with the same character round-trips.
TEST_F(DomHardening, MarkupOutsideTheDeclaredCodePageIsNotSaved) {
  TempDir dir;
  const auto path = ModulePath(dir / "cache.xml");
  const std::string good = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<Config/>\r\n";
  const std::vector<std::wstring> markup{
      L"<Config><!-- \x0865 --></Config>", L"<Config><![CDATA[\x0865]]></Config>",
      L"<Config><?pi \x0865?></Config>", L"<Config a\x0865=\"1\"/>", L"<Config><e\x0865/></Config>"};
  for (const auto& body : markup) {
    WriteBytes(dir / "cache.xml", good);
    ASSERT_TRUE(doc->loadXML(L"<?xml version=\"1.0\" encoding=\"GB2312\"?>" + body)) << ToUtf8(body);
    EXPECT_THROW(doc->Save(path), RuntimeError) << ToUtf8(body);
    EXPECT_EQ(notify::test::ReadBytes(dir / "cache.xml"), good) << ToUtf8(body);
  }
  ASSERT_TRUE(doc->loadXML(L"<?xml version=\"1.0\" encoding=\"GB2312\"?><Config a=\"\x0865\">\x0865</Config>"));
  doc->Save(path);
  ASSERT_TRUE(doc->Load(path));
  EXPECT_EQ(doc->documentElement().Text(), L"\x0865");
  EXPECT_EQ(doc->documentElement().Attributes().getNamedItem(L"a").Text(), L"\x0865");
}

// A document read through its BOM may declare an encoding that does not spell ASCII as
// ASCII. Saved in it, the file's declaration could not be read: the save must refuse, or
// write a file that loads again as the same document.
TEST_F(DomHardening, SaveNeverWritesAFileThatCannotBeLoadedAgain) {
  TempDir dir;
  const auto path = ModulePath(dir / "cache.xml");
  const std::string good = "<Config><ID>kept</ID></Config>";
  for (const std::wstring encoding : {L"UTF-7", L"IBM037", L"UTF-8"}) {
    ASSERT_TRUE(IsKnownEncoding(encoding)) << ToUtf8(encoding);
    WriteBytes(dir / "cache.xml", good);
    WriteBytes(dir / "in.xml", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"" + ToUtf8(encoding) +
                                   "\"?><Config><ID>a+-b&lt;</ID></Config>");
    ASSERT_TRUE(doc->Load(ModulePath(dir / "in.xml"))) << ToUtf8(encoding);
    try {
      doc->Save(path);
    } catch (const RuntimeError&) {
      EXPECT_EQ(notify::test::ReadBytes(dir / "cache.xml"), good) << ToUtf8(encoding);
      continue;
    }
    ASSERT_TRUE(doc->Load(path)) << ToUtf8(encoding);
    EXPECT_EQ(doc->documentElement().Text(), L"a+-b<") << ToUtf8(encoding);
  }
}

// The backends on their own, without the front's DOCTYPE refusal: external entities and
// DTDs are never fetched.
TEST(DomBackend, NeverResolvesExternalResources) {
  ASSERT_NE(NewDocument(), nullptr);  // COM on Windows
  TempDir dir;
  WriteBytes(dir / "secret.txt", "TOPSECRET");
  WriteBytes(dir / "evil.dtd", "<!ENTITY x SYSTEM 'secret.txt'>");
  auto uri = [&](const std::string& name) {
    auto text = ToUtf8(ModulePath(dir / name));
    for (auto& c : text) c = c == '\\' ? '/' : c;
    return FromUtf8(text.front() == '/' ? "file://" + text : "file:///" + text);
  };
  const std::vector<std::wstring> hostile{
      L"<!DOCTYPE r [<!ENTITY x SYSTEM '" + uri("secret.txt") + L"'>]><r>&x;</r>",
      L"<!DOCTYPE r SYSTEM '" + uri("evil.dtd") + L"'><r>&x;</r>",
  };
  for (const auto& text : hostile) {
    auto backend = CreateDomBackend(L"MSXML2.DOMDocument");
    ASSERT_NE(backend, nullptr);
    if (!backend->Parse(text, true)) continue;
    EXPECT_EQ(DomNode(backend->DocumentNode()).Text().find(L"TOPSECRET"), std::wstring::npos) << ToUtf8(text);
  }
}

}  // namespace
}  // namespace notify::xml::test
