#include "platform/xml/xml_services.h"

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/xml/encoding.h"
#include "platform/xml/file_io.h"
#include "platform/xml/local_time.h"

namespace notify::xml {

namespace {

struct ObjectKind {
  const wchar_t* kind;
  const wchar_t* firstProgId;
  const wchar_t* secondProgId;
  const wchar_t* failureText;
};

constexpr ObjectKind kDom{L"DOM", L"MSXML2.DOMDocument", L"Microsoft.XMLDOM", L"系统XMLDOM组件异常，尝试修复失败!"};
constexpr ObjectKind kHttp{L"HTTP", L"MSXML2.XMLHTTP", L"Microsoft.XMLHTTP", L"系统XMLHTTP组件异常，尝试修复失败!"};

constexpr const wchar_t* kRepairList[] = {L"msxml.dll /s", L"msxml2.dll /s", L"msxml3.dll /s", L"msxml4.dll /s"};
constexpr std::int32_t kRepairTimeoutMs = 30000;

// Both ProgIDs in order; after the first failing pass one repair, then both again; after
// the second failing pass one log entry.
template <class TryCreate>
void CreateWithOneRepair(const ObjectKind& kind, const XmlComponent& component, TryCreate tryCreate) {
  for (bool repaired = false;; repaired = true) {
    if (tryCreate(kind.firstProgId) || tryCreate(kind.secondProgId)) return;
    if (repaired) {
      component.writeLog(kind.failureText);
      return;
    }
    RepairXmlComponent(component);
  }
}

std::unique_ptr<DomDocument> NewDomDocument(const XmlComponent& component, const std::wstring& progId) {
  auto backend = component.createDom(progId);
  return backend ? std::make_unique<DomDocument>(std::move(backend)) : nullptr;
}

}  // namespace

XmlObjects& SharedXmlObjects() {
  static XmlObjects objects;
  return objects;
}

void ReleaseXmlObjects(XmlObjects& objects) noexcept {
  objects.XmlHttp.reset();
  objects.XmlNode.Release();
  objects.XmlDocument.reset();
}

XmlComponent SystemXmlComponent() {
  return XmlComponent{
      CreateDomBackend,
      CreateHttpObject,
      [](const std::wstring& program, const std::wstring& parameters, std::int32_t show, std::int32_t timeout) {
        ShellRunAndWait(program, parameters, show, timeout);
      },
      [](const std::wstring& message) { WriteErrorLog(message); },
  };
}

void CreateXmlObject(const std::wstring& kind) noexcept {
  TrapVoid([&] { CreateXmlObject(SharedXmlObjects(), kind, SystemXmlComponent()); });
}

void CreateXmlObject(XmlObjects& objects, const std::wstring& kind, const XmlComponent& component) noexcept {
  TrapVoid([&] {
    if (EqualsNoCase(kind, kHttp.kind)) {
      CreateWithOneRepair(kHttp, component, [&](const std::wstring& progId) {
        objects.XmlHttp = Trap(std::unique_ptr<XmlHttpObject>(), [&] { return component.createHttp(progId); });
        return objects.XmlHttp != nullptr;
      });
    } else if (EqualsNoCase(kind, kDom.kind)) {
      CreateWithOneRepair(kDom, component, [&](const std::wstring& progId) {
        objects.XmlDocument = Trap(std::unique_ptr<DomDocument>(), [&] { return NewDomDocument(component, progId); });
        return objects.XmlDocument != nullptr;
      });
    }
  });
}

void RepairXmlComponent() noexcept {
  TrapVoid([] { RepairXmlComponent(SystemXmlComponent()); });
}

void RepairXmlComponent(const XmlComponent& component) {
  for (const wchar_t* parameters : kRepairList) component.run(L"regsvr32.exe", parameters, 0, kRepairTimeoutMs);
}

void WriteErrorLog(const std::wstring& message) { WriteErrorLogIn(ProgramFolder(), message); }

void WriteErrorLogIn(const std::wstring& folder, const std::wstring& message) {
  AppendFileBytes(folder + L"Error.log", ToAnsi(LocalDateTimeText() + L" : " + message + L"\r\n"));
}

bool CreateXmlFile(DomDocument* document, const std::wstring& path, const std::wstring& encoding,
                   const std::wstring& rootXml) noexcept {
  if (!document) return false;
  return Trap(false, [&] {
    CreateFolder(ParentPath(path, L"\\"));
    // A root text that does not parse would leave a file with no root element.
    if (!document->loadXML(rootXml)) return false;
    const auto declaration =
        document->createProcessingInstruction(L"xml", L"version='1.0' encoding='" + encoding + L"'");
    document->insertBefore(declaration, document->childNodes().Item(0));
    const PreserveWhitespaceScope preserve(*document);
    document->Save(path);
    return true;
  });
}

bool CreateXmlFile(const std::wstring& path, const std::wstring& encoding, const std::wstring& rootXml) noexcept {
  return CreateXmlFile(SharedXmlObjects().XmlDocument.get(), path, encoding, rootXml);
}

}  // namespace notify::xml
