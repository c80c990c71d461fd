// The system XML component through COM, real files locked by another handle, and the
// repair pass with the real registration tool.
#include <windows.h>
#include <msxml2.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/text.h"
#include "platform/xml/com_create_win.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/encoding.h"
#include "platform/xml/xml_services.h"
#include "test_support.h"
#include "whitespace_cases.h"

namespace notify::xml {
namespace {

using notify::test::ReadBytes;
using notify::test::TempDir;
using notify::test::WriteBytes;

class XmlComponentWin : public ::testing::Test {
 protected:
  win::CoUninitializeOwner com;
};

TEST_F(XmlComponentWin, BothDomProgIdsGiveAnXPathDocument) {
  ASSERT_TRUE(com.ok());
  for (const wchar_t* progId : {L"MSXML2.DOMDocument", L"Microsoft.XMLDOM"}) {
    auto backend = CreateDomBackend(progId);
    ASSERT_NE(backend, nullptr);
    DomDocument doc(std::move(backend));
    ASSERT_TRUE(doc.loadXML(L"<Catalog><G><Message ID='1'/></G><Message ID='2'/></Catalog>"));
    // XSL Patterns (the old default) would not take these expressions.
    EXPECT_EQ(doc.selectNodes(L".//Message").Length(), 2);
    EXPECT_EQ(doc.SelectSingleNode(L"Catalog/Message[@ID='2']").nodeName(), L"Message");
  }
}

TEST_F(XmlComponentWin, UnknownClassesGiveNothing) {
  EXPECT_EQ(CreateDomBackend(L"Notify.NoSuchDocument"), nullptr);
  EXPECT_EQ(CreateHttpObject(L"Notify.NoSuchRequest"), nullptr);
  EXPECT_NE(CreateHttpObject(L"MSXML2.XMLHTTP"), nullptr);
  EXPECT_NE(CreateHttpObject(L"Microsoft.XMLHTTP"), nullptr);
}

TEST_F(XmlComponentWin, SaveOverALockedTargetThrowsAndKeepsIt) {
  TempDir dir;
  const auto target = dir / "MessageCache.xml";
  WriteBytes(target, "<Config><ID>old</ID></Config>");
  auto backend = CreateDomBackend(L"MSXML2.DOMDocument");
  ASSERT_NE(backend, nullptr);
  DomDocument doc(std::move(backend));
  ASSERT_TRUE(doc.loadXML(L"<Config><ID>new</ID></Config>"));
  {
    win::CloseHandleOwner lock(::CreateFileW(target.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(lock.get(), INVALID_HANDLE_VALUE);
    EXPECT_THROW(doc.Save(target.wstring()), RuntimeError);
  }
  EXPECT_EQ(ReadBytes(target), "<Config><ID>old</ID></Config>");
  std::size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) entries += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 1u) << "no temporary file left behind";
  doc.Save(target.wstring());  // unlocked, the same save succeeds
  EXPECT_NE(ReadBytes(target).find("new"), std::string::npos);
}

// Our element text against the component's own text property, on the same documents.
// Whitespace-only text between elements is left out: Wine keeps it hidden in the tree
// and reads it as one space, where the tree we walk has dropped it.
TEST_F(XmlComponentWin, ElementTextMatchesTheComponentsTextProperty) {
  for (const bool preserve : {false, true}) {
    for (const auto& c : notify::test::WhitespaceTexts()) {
      const wchar_t* xml = c.xml;
      SCOPED_TRACE(std::string(preserve ? "preserved: " : "dropped: ") + ToUtf8(xml));
      auto raw = CreateFromProgId<IXMLDOMDocument>(L"MSXML2.DOMDocument", IID_IXMLDOMDocument);
      ASSERT_TRUE(raw);
      ASSERT_EQ(raw->put_preserveWhiteSpace(preserve ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
      win::SysFreeStringOwner text(::SysAllocString(xml));
      VARIANT_BOOL ok = VARIANT_FALSE;
      ASSERT_EQ(raw->loadXML(text.get(), &ok), S_OK);
      ASSERT_EQ(ok, VARIANT_TRUE);
      win::ComPtr<IXMLDOMElement> root;
      ASSERT_EQ(raw->get_documentElement(root.put()), S_OK);
      BSTR got = nullptr;
      ASSERT_EQ(root->get_text(&got), S_OK);
      const win::SysFreeStringOwner owned(got);
      const std::wstring component(got, ::SysStringLen(got));

      auto backend = CreateDomBackend(L"MSXML2.DOMDocument");
      ASSERT_NE(backend, nullptr);
      DomDocument doc(std::move(backend));
      doc.PreserveWhitespace(preserve);
      ASSERT_TRUE(doc.loadXML(xml));
      EXPECT_EQ(doc.documentElement().Text(), component);
      EXPECT_EQ(component, preserve ? c.preserved : c.dropped) << "the table's expectation";
    }
  }
}

// Names that only the system's charset table knows (none is in our fallback list).
TEST_F(XmlComponentWin, DeclaredNamesResolveThroughTheSystemCharsetTable) {
  ASSERT_TRUE(com.ok());
  EXPECT_EQ(DecodeBytes("\x80\x9F", L"x-mac-cyrillic"), std::optional<std::wstring>(L"\x0410\x042F"));
  EXPECT_EQ(DecodeBytes("\x80", L"DOS-862"), std::optional<std::wstring>(L"\x05D0"));
  EXPECT_EQ(EncodeText(L"\x042F", L"X-MAC-CYRILLIC"), "\x9F");
  EXPECT_FALSE(IsKnownEncoding(L"x-no-such-charset"));
  TempDir dir;
  WriteBytes(dir / "c.xml", "<?xml version='1.0' encoding='x-mac-cyrillic'?><Config><ID>\x80</ID></Config>");
  DomDocument doc(CreateDomBackend(L"MSXML2.DOMDocument"));
  ASSERT_TRUE(doc.Load((dir / "c.xml").wstring()));
  EXPECT_EQ(doc.SelectSingleNode(L"Config/ID").Text(), L"\x0410");
}

TEST_F(XmlComponentWin, RepairRunsTheRealRegistrationToolThenLogsOnce) {
  TempDir dir;
  int attempts = 0;
  auto component = SystemXmlComponent();
  component.createDom = [&](const std::wstring&) -> std::unique_ptr<DocumentImpl> {
    ++attempts;
    return nullptr;
  };
  component.writeLog = [&](const std::wstring& message) { WriteErrorLogIn(dir.text(), message); };
  XmlObjects objects;
  CreateXmlObject(objects, L"DOM", component);
  EXPECT_EQ(attempts, 4);
  EXPECT_EQ(objects.XmlDocument, nullptr);
  const auto log = ReadBytes(dir / "Error.log");
  EXPECT_EQ(log.find("\r\n"), log.size() - 2) << "exactly one line: " << log;
}

}  // namespace
}  // namespace notify::xml
