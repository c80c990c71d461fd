#pragma once
// The process-wide XML objects, their creation with one repair pass of the system
// component, the error log, and the one file service built on the shared document.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"

namespace notify::xml {

// The XML HTTP request object. No part of the module sends requests; it is only held.
class XmlHttpObject {
 public:
  virtual ~XmlHttpObject() = default;
};

// nullptr when the class behind the ProgID cannot be created (natively: a stand-in for
// "MSXML2.XMLHTTP" and "Microsoft.XMLHTTP").
std::unique_ptr<XmlHttpObject> CreateHttpObject(const std::wstring& progId);

// What the XML-reading procedures last selected: a node, a node list, or nothing.
class XmlSelection {
 public:
  XmlSelection& operator=(DomNode node) {
    list_ = DomNodeList();
    node_ = std::move(node);
    return *this;
  }
  XmlSelection& operator=(DomNodeList list) {
    node_ = DomNode();
    list_ = std::move(list);
    return *this;
  }
  const DomNode& Node() const { return node_; }      // Nothing unless a node is held
  const DomNodeList& List() const { return list_; }  // Nothing unless a list is held
  bool IsNothing() const { return node_.IsNothing() && list_.IsNothing(); }
  void Release() {
    node_ = DomNode();
    list_ = DomNodeList();
  }

 private:
  DomNode node_;
  DomNodeList list_;
};

struct XmlObjects {
  std::unique_ptr<DomDocument> XmlDocument;
  XmlSelection XmlNode;
  std::unique_ptr<XmlHttpObject> XmlHttp;
};

// The one set the program uses.
XmlObjects& SharedXmlObjects();
// Releases XmlHttp, then XmlNode, then XmlDocument.
void ReleaseXmlObjects(XmlObjects& objects) noexcept;

// The system component and everything around it that the repair sequence touches,
// replaceable so that tests can make creation fail and record the launches.
struct XmlComponent {
  std::function<std::unique_ptr<DocumentImpl>(const std::wstring& progId)> createDom;
  std::function<std::unique_ptr<XmlHttpObject>(const std::wstring& progId)> createHttp;
  std::function<void(const std::wstring& program, const std::wstring& parameters, std::int32_t showCommand,
                     std::int32_t timeoutMs)>
      run;
  std::function<void(const std::wstring& message)> writeLog;
};

// The real component: CreateDomBackend, CreateHttpObject, ShellRunAndWait, WriteErrorLog.
XmlComponent SystemXmlComponent();

// Kind "DOM" or "HTTP" (any case); any other kind does nothing. Never throws; the caller
// tests the reference afterwards.
void CreateXmlObject(const std::wstring& kind) noexcept;
void CreateXmlObject(XmlObjects& objects, const std::wstring& kind, const XmlComponent& component) noexcept;

// Re-registers the component's libraries: "regsvr32.exe" with "msxml.dll /s" ... "msxml4.dll /s",
// hidden, waiting up to 30000 ms for each.
void RepairXmlComponent() noexcept;
void RepairXmlComponent(const XmlComponent& component);

// Appends "<local date> <local time> : <message>\r\n" in the ANSI code page to
// ProgramFolder() + "Error.log". Throws RuntimeError when the file cannot be written.
void WriteErrorLog(const std::wstring& message);
// The same into `folder` (which ends in a separator) + "Error.log".
void WriteErrorLogIn(const std::wstring& folder, const std::wstring& message);

// Creates or overwrites the file at `path` with `rootXml` preceded by a declaration
// naming `encoding`, creating missing folders. False when there is no document or any
// step fails (a root text that does not parse included); never throws.
bool CreateXmlFile(DomDocument* document, const std::wstring& path, const std::wstring& encoding,
                   const std::wstring& rootXml) noexcept;
// The same on SharedXmlObjects().XmlDocument.
bool CreateXmlFile(const std::wstring& path, const std::wstring& encoding, const std::wstring& rootXml) noexcept;

}  // namespace notify::xml
