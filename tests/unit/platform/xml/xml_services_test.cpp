// Creation with one repair pass, the error log and CreateXmlFile, with the component,
// the repair runner and the log replaced by recorders.
#include "platform/xml/xml_services.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/xml/encoding.h"
#include "test_support.h"
#include "xml_test_support.h"

namespace notify::xml::test {
namespace {

using notify::test::ReadBytes;
using notify::test::TempDir;
using notify::test::WriteBytes;

constexpr const wchar_t* kDomFailure = L"系统XMLDOM组件异常，尝试修复失败!";
constexpr const wchar_t* kHttpFailure = L"系统XMLHTTP组件异常，尝试修复失败!";

class StandInHttp final : public XmlHttpObject {
 public:
  explicit StandInHttp(std::function<void()> onRelease = {}) : onRelease_(std::move(onRelease)) {}
  ~StandInHttp() override {
    if (onRelease_) onRelease_();
  }

 private:
  std::function<void()> onRelease_;
};

// Whether the component can create an object for this ProgID, given whether the repair ran.
using Availability = std::function<bool(const std::wstring& progId, bool repaired)>;

// One list of everything that happened, in order: "create X", "run P A S T", "log M".
struct RecordingComponent {
  std::vector<std::wstring> events;
  bool repaired = false;
  bool throwInsteadOfNull = false;
  Availability available;

  bool Create(const std::wstring& progId) {
    events.push_back(L"create " + progId);
    if (available(progId, repaired)) return true;
    if (throwInsteadOfNull) Fail("class not registered");
    return false;
  }

  XmlComponent Component() {
    return XmlComponent{
        [this](const std::wstring& progId) -> std::unique_ptr<DocumentImpl> {
          return Create(progId) ? CreateDomBackend(L"MSXML2.DOMDocument") : nullptr;
        },
        [this](const std::wstring& progId) -> std::unique_ptr<XmlHttpObject> {
          return Create(progId) ? std::make_unique<StandInHttp>() : nullptr;
        },
        [this](const std::wstring& program, const std::wstring& parameters, std::int32_t show, std::int32_t timeout) {
          events.push_back(L"run " + program + L" " + parameters + L" " + std::to_wstring(show) + L" " +
                           std::to_wstring(timeout));
          repaired = true;
        },
        [this](const std::wstring& message) { events.push_back(L"log " + message); },
    };
  }
};

const std::vector<std::wstring> kRepairRuns{
    L"run regsvr32.exe msxml.dll /s 0 30000",
    L"run regsvr32.exe msxml2.dll /s 0 30000",
    L"run regsvr32.exe msxml3.dll /s 0 30000",
    L"run regsvr32.exe msxml4.dll /s 0 30000",
};

struct KindRow {
  const wchar_t* kind;  // as the caller spells it
  const wchar_t* first;
  const wchar_t* second;
  const wchar_t* failure;
};

const KindRow kKinds[] = {
    {L"DOM", L"MSXML2.DOMDocument", L"Microsoft.XMLDOM", kDomFailure},
    {L"dom", L"MSXML2.DOMDocument", L"Microsoft.XMLDOM", kDomFailure},
    {L"HTTP", L"MSXML2.XMLHTTP", L"Microsoft.XMLHTTP", kHttpFailure},
    {L"Http", L"MSXML2.XMLHTTP", L"Microsoft.XMLHTTP", kHttpFailure},
};

struct Scenario {
  const char* name;
  Availability available;
  bool throws;
  bool created;
  std::function<std::vector<std::wstring>(const KindRow&)> events;
};

std::vector<std::wstring> Concat(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::wstring> Creates(const KindRow& k, bool both) {
  std::vector<std::wstring> out{L"create " + std::wstring(k.first)};
  if (both) out.push_back(L"create " + std::wstring(k.second));
  return out;
}

std::vector<Scenario> Scenarios() {
  return {
      {"first identifier works", [](const std::wstring&, bool) { return true; }, false, true,
       [](const KindRow& k) { return Creates(k, false); }},
      {"second identifier works", [](const std::wstring& id, bool) { return id.find(L"Microsoft") == 0; }, false, true,
       [](const KindRow& k) { return Creates(k, true); }},
      {"repair helps", [](const std::wstring&, bool repaired) { return repaired; }, false, true,
       [](const KindRow& k) { return Concat(Concat(Creates(k, true), kRepairRuns), Creates(k, false)); }},
      {"repair helps the second identifier",
       [](const std::wstring& id, bool repaired) { return repaired && id.find(L"Microsoft") == 0; }, false, true,
       [](const KindRow& k) { return Concat(Concat(Creates(k, true), kRepairRuns), Creates(k, true)); }},
      {"never works", [](const std::wstring&, bool) { return false; }, false, false,
       [](const KindRow& k) {
         return Concat(Concat(Concat(Creates(k, true), kRepairRuns), Creates(k, true)), {L"log " + std::wstring(k.failure)});
       }},
      {"creation throws", [](const std::wstring&, bool) { return false; }, true, false,
       [](const KindRow& k) {
         return Concat(Concat(Concat(Creates(k, true), kRepairRuns), Creates(k, true)), {L"log " + std::wstring(k.failure)});
       }},
  };
}

bool Holds(const XmlObjects& objects, const KindRow& k) {
  return EqualsNoCase(k.kind, L"DOM") ? objects.XmlDocument != nullptr : objects.XmlHttp != nullptr;
}

bool HoldsOther(const XmlObjects& objects, const KindRow& k) {
  return EqualsNoCase(k.kind, L"DOM") ? objects.XmlHttp != nullptr : objects.XmlDocument != nullptr;
}

TEST(CreateXmlObject, CreationRepairAndLogSequence) {
  ASSERT_NE(NewDocument(), nullptr);  // initialises COM on Windows before any backend is made
  for (const auto& scenario : Scenarios()) {
    for (const auto& kind : kKinds) {
      SCOPED_TRACE(std::string(scenario.name) + " / " + ToUtf8(kind.kind));
      RecordingComponent recorder;
      recorder.available = scenario.available;
      recorder.throwInsteadOfNull = scenario.throws;
      XmlObjects objects;
      CreateXmlObject(objects, kind.kind, recorder.Component());
      EXPECT_EQ(recorder.events, scenario.events(kind));
      EXPECT_EQ(Holds(objects, kind), scenario.created);
      EXPECT_FALSE(HoldsOther(objects, kind));
    }
  }
}

TEST(CreateXmlObject, OtherKindsDoNothing) {
  for (const wchar_t* kind : {L"", L"XML", L"DOM ", L" HTTP", L"DOMDocument", L"MSXML2.DOMDocument"}) {
    RecordingComponent recorder;
    recorder.available = [](const std::wstring&, bool) { return true; };
    XmlObjects objects;
    CreateXmlObject(objects, kind, recorder.Component());
    EXPECT_TRUE(recorder.events.empty()) << ToUtf8(kind);
    EXPECT_EQ(objects.XmlDocument, nullptr);
    EXPECT_EQ(objects.XmlHttp, nullptr);
  }
}

TEST(CreateXmlObject, ALogThatCannotBeWrittenIsSwallowed) {
  RecordingComponent recorder;
  recorder.available = [](const std::wstring&, bool) { return false; };
  auto component = recorder.Component();
  int logAttempts = 0;
  component.writeLog = [&](const std::wstring&) {
    ++logAttempts;
    Fail("read-only folder");
  };
  XmlObjects objects;
  CreateXmlObject(objects, L"DOM", component);  // noexcept: a throw would end the test binary
  EXPECT_EQ(logAttempts, 1);
  EXPECT_EQ(objects.XmlDocument, nullptr);
}

TEST(CreateXmlObject, SystemComponentMakesAWorkingDocument) {
  ASSERT_NE(NewDocument(), nullptr);
  XmlObjects objects;
  CreateXmlObject(objects, L"DOM", SystemXmlComponent());
  ASSERT_NE(objects.XmlDocument, nullptr);
  ASSERT_TRUE(objects.XmlDocument->loadXML(L"<Catalog><Message/></Catalog>"));
  EXPECT_EQ(objects.XmlDocument->selectNodes(L".//Message").Length(), 1);
  CreateXmlObject(objects, L"HTTP", SystemXmlComponent());
  EXPECT_NE(objects.XmlHttp, nullptr);
}

// A node that only reports its own release.
class ReleaseRecordingNode final : public NodeImpl {
 public:
  explicit ReleaseRecordingNode(std::function<void()> onRelease) : onRelease_(std::move(onRelease)) {}
  ~ReleaseRecordingNode() override { onRelease_(); }
  NodeKind kind() const override { return NodeKind::Other; }
  std::wstring nodeName() const override { return {}; }
  std::wstring baseName() const override { return {}; }
  std::wstring nodeValue() const override { return {}; }
  void SetText(const std::wstring&) override {}
  bool PreservesWhitespace() const override { return false; }
  std::shared_ptr<NodeImpl> Attribute(const std::wstring&) const override { return nullptr; }
  std::vector<std::pair<std::wstring, std::wstring>> AttributePairs() const override { return {}; }
  std::shared_ptr<NodeListImpl> ChildNodes() const override { return nullptr; }
  std::shared_ptr<NodeImpl> FirstChild() const override { return nullptr; }
  std::shared_ptr<NodeImpl> NextSibling() const override { return nullptr; }
  std::shared_ptr<NodeImpl> Parent() const override { return nullptr; }
  bool IsSame(const NodeImpl& other) const override { return &other == this; }
  std::shared_ptr<NodeListImpl> SelectNodes(const std::wstring&) const override { return nullptr; }
  std::shared_ptr<NodeImpl> SelectSingleNode(const std::wstring&) const override { return nullptr; }
  std::shared_ptr<NodeImpl> InsertBefore(NodeImpl&, NodeImpl*) override { return nullptr; }

 private:
  std::function<void()> onRelease_;
};

// A backend that reports its own release and otherwise passes through.
class ReleaseRecordingDocument final : public DocumentImpl {
 public:
  ReleaseRecordingDocument(std::unique_ptr<DocumentImpl> inner, std::function<void()> onRelease)
      : inner_(std::move(inner)), onRelease_(std::move(onRelease)) {}
  ~ReleaseRecordingDocument() override { onRelease_(); }
  bool Parse(const std::wstring& text, bool preserve) override { return inner_->Parse(text, preserve); }
  void PreserveWhitespace(bool value) override { inner_->PreserveWhitespace(value); }
  std::shared_ptr<NodeImpl> DocumentNode() const override { return inner_->DocumentNode(); }
  std::shared_ptr<NodeImpl> CreateElement(const std::wstring& name) override { return inner_->CreateElement(name); }
  std::shared_ptr<NodeImpl> CreateProcessingInstruction(const std::wstring& t, const std::wstring& d) override {
    return inner_->CreateProcessingInstruction(t, d);
  }

 private:
  std::unique_ptr<DocumentImpl> inner_;
  std::function<void()> onRelease_;
};

TEST(ReleaseXmlObjects, ReleasesHttpThenNodeThenDocument) {
  ASSERT_NE(NewDocument(), nullptr);
  std::vector<std::string> released;
  XmlObjects objects;
  objects.XmlDocument = std::make_unique<DomDocument>(std::make_unique<ReleaseRecordingDocument>(
      CreateDomBackend(L"MSXML2.DOMDocument"), [&] { released.push_back("XmlDocument"); }));
  objects.XmlNode = DomNode(std::make_shared<ReleaseRecordingNode>([&] { released.push_back("XmlNode"); }));
  objects.XmlHttp = std::make_unique<StandInHttp>([&] { released.push_back("XmlHttp"); });
  ReleaseXmlObjects(objects);
  EXPECT_EQ(released, (std::vector<std::string>{"XmlHttp", "XmlNode", "XmlDocument"}));
  EXPECT_EQ(objects.XmlDocument, nullptr);
  EXPECT_TRUE(objects.XmlNode.IsNothing());
  EXPECT_EQ(objects.XmlHttp, nullptr);
}

TEST(XmlSelection, HoldsANodeOrAListNeverBoth) {
  auto doc = NewDocument();
  ASSERT_TRUE(doc->loadXML(L"<a><b/><b/></a>"));
  XmlSelection selection;
  EXPECT_TRUE(selection.IsNothing());
  selection = doc->selectNodes(L".//b");
  EXPECT_EQ(selection.List().Length(), 2);
  EXPECT_TRUE(selection.Node().IsNothing());
  selection = doc->documentElement();
  EXPECT_EQ(selection.Node().nodeName(), L"a");
  EXPECT_TRUE(selection.List().IsNothing());
  selection.Release();
  EXPECT_TRUE(selection.IsNothing());
}

// ---- the error log

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (auto end = bytes.find("\r\n"); end != std::string::npos; end = bytes.find("\r\n", start)) {
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, bytes.size()) << "every entry ends in CR LF";
  return lines;
}

void ExpectDateAndTime(const std::string& stamp) {
  // The locale decides the exact text; a date, a blank and a time with ':' are always there.
  const auto blank = stamp.find(' ');
  ASSERT_NE(blank, std::string::npos) << stamp;
  EXPECT_NE(stamp.find_first_of("0123456789"), std::string::npos) << stamp;
  EXPECT_NE(stamp.find(':', blank), std::string::npos) << stamp;
  const std::time_t now = std::time(nullptr);
  const auto yearDigits = std::to_string(1900 + std::localtime(&now)->tm_year).substr(2);
  EXPECT_NE(stamp.substr(0, blank).find(yearDigits), std::string::npos) << stamp;
}

TEST(WriteErrorLog, AppendsOneLinePerEntry) {
  TempDir dir;
  WriteErrorLogIn(dir.text(), L"first entry");
  WriteErrorLogIn(dir.text(), L"second : entry");
  const auto lines = SplitLines(ReadBytes(dir / "Error.log"));
  ASSERT_EQ(lines.size(), 2u);
  const std::vector<std::string> messages{"first entry", "second : entry"};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto separator = lines[i].find(" : ");
    ASSERT_NE(separator, std::string::npos) << lines[i];
    ExpectDateAndTime(lines[i].substr(0, separator));
    EXPECT_EQ(lines[i].substr(separator + 3), messages[i]);
  }
}

TEST(WriteErrorLog, FailureIsRaised) {
  TempDir dir;
  EXPECT_THROW(WriteErrorLogIn(ModulePath(dir / "missing") + L"\\", L"x"), RuntimeError);
  std::filesystem::create_directories(dir / "Error.log");  // a folder where the file should be
  EXPECT_THROW(WriteErrorLogIn(dir.text(), L"x"), RuntimeError);
}

TEST(WriteErrorLog, FailedCreationLeavesExactlyOneEntryInTheAnsiCodePage) {
  TempDir dir;
  RecordingComponent recorder;
  recorder.available = [](const std::wstring&, bool) { return false; };
  auto component = recorder.Component();
  component.writeLog = [&](const std::wstring& message) { WriteErrorLogIn(dir.text(), message); };
  XmlObjects objects;
  CreateXmlObject(objects, L"DOM", component);
  const auto lines = SplitLines(ReadBytes(dir / "Error.log"));
  ASSERT_EQ(lines.size(), 1u);
  const auto separator = lines[0].find(" : ");
  ASSERT_NE(separator, std::string::npos);
  ExpectDateAndTime(lines[0].substr(0, separator));
#ifdef _WIN32
  EXPECT_EQ(lines[0].substr(separator + 3), ToAnsi(kDomFailure));
#else
  // GB18030, the native build's stand-in for the ANSI code page.
  EXPECT_EQ(lines[0].substr(separator + 3),
            "\xCF\xB5\xCD\xB3XMLDOM\xD7\xE9\xBC\xFE\xD2\xEC\xB3\xA3\xA3\xAC\xB3\xA2\xCA\xD4\xD0\xDE\xB8\xB4\xCA\xA7"
            "\xB0\xDC!");
#endif
}

// ---- CreateXmlFile

TEST(CreateXmlFile, CreatesFoldersThenDeclarationThenRoot) {
  auto doc = NewDocument();
  TempDir dir;
  const auto path = dir / "a" / "b" / "MessageCache.xml";
  ASSERT_TRUE(CreateXmlFile(doc.get(), ModulePath(path), L"GB2312", L"<Config/>"));
  const auto bytes = ReadBytes(path);
  EXPECT_EQ(bytes.rfind("<?xml version='1.0' encoding='GB2312'?>", 0), 0u) << bytes;
  const auto root = bytes.find('<', 1);
  EXPECT_EQ(bytes.substr(root, 9), "<Config/>") << bytes;
  // The shared document goes on to read the catalogue by its own flag.
  EXPECT_FALSE(doc->PreserveWhitespace());

  auto again = NewDocument();
  ASSERT_TRUE(again->Load(ModulePath(path)));
  ASSERT_EQ(again->childNodes().Length(), 2);
  EXPECT_EQ(again->childNodes().Item(0).nodeName(), L"xml");
  EXPECT_EQ(again->childNodes().Item(1).nodeName(), L"Config");
}

TEST(CreateXmlFile, EncodesAsDeclared) {
  auto doc = NewDocument();
  TempDir dir;
  struct Case {
    const wchar_t* encoding;
    std::string expected;
  };
  for (const auto& c : {Case{L"GB2312", "<Config>\xD6\xD0</Config>"}, Case{L"UTF-8", "<Config>\xE4\xB8\xAD</Config>"}}) {
    ASSERT_TRUE(CreateXmlFile(doc.get(), ModulePath(dir / "c.xml"), c.encoding, L"<Config>\x4E2D</Config>"));
    EXPECT_NE(ReadBytes(dir / "c.xml").find(c.expected), std::string::npos) << ToUtf8(c.encoding);
  }
}

TEST(CreateXmlFile, WithoutADocumentCreatesNothing) {
  TempDir dir;
  EXPECT_FALSE(CreateXmlFile(nullptr, ModulePath(dir / "new" / "c.xml"), L"GB2312", L"<Config/>"));
  EXPECT_FALSE(std::filesystem::exists(dir / "new"));
}

TEST(CreateXmlFile, FailuresAnswerFalseAndKeepTheOldFile) {
  auto doc = NewDocument();
  TempDir dir;
  WriteBytes(dir / "c.xml", "<Old/>");
  std::filesystem::create_directories(dir / "folder.xml");
  EXPECT_FALSE(CreateXmlFile(doc.get(), ModulePath(dir / "c.xml"), L"GB2312", L"<Config>"));
  EXPECT_FALSE(CreateXmlFile(doc.get(), ModulePath(dir / "c.xml"), L"x-no-such-thing", L"<Config/>"));
  EXPECT_FALSE(CreateXmlFile(doc.get(), ModulePath(dir / "folder.xml"), L"UTF-8", L"<Config/>"));
  EXPECT_EQ(ReadBytes(dir / "c.xml"), "<Old/>");
}

}  // namespace
}  // namespace notify::xml::test
