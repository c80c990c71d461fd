#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <climits>
#include <unordered_set>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/xml/dom_backend.h"

namespace notify::xml {

namespace {

std::wstring Wide(const xmlChar* s) { return s ? FromUtf8(reinterpret_cast<const char*>(s)) : std::wstring(); }

struct XmlCharOwner {
  xmlChar* p;
  ~XmlCharOwner() { xmlFree(p); }
};

// One parsed document and the nodes created for it but not (or no longer) in its tree.
// Node wrappers share it, so a node outlives a reload of the document object.
struct DocHolder {
  explicit DocHolder(xmlDocPtr document) : doc(document) {}
  // Orphans first (freeing uses the document's dictionary); roots are collected before
  // anything is freed, because a parked node may sit inside another parked subtree.
  ~DocHolder() {
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr node : orphans) {
      if (node->parent == nullptr) roots.push_back(node);
    }
    for (xmlNodePtr node : roots) xmlFreeNode(node);
    xmlFreeDoc(doc);
  }
  DocHolder(const DocHolder&) = delete;
  DocHolder& operator=(const DocHolder&) = delete;
  xmlNodePtr AsNode() const { return reinterpret_cast<xmlNodePtr>(doc); }

  xmlDocPtr doc;
  std::unordered_set<xmlNodePtr> orphans;
  bool preserveWhitespace = false;
};

using HolderPtr = std::shared_ptr<DocHolder>;

std::shared_ptr<NodeImpl> Wrap(const HolderPtr& holder, xmlNodePtr node);

class LibxmlNodeList final : public NodeListImpl {
 public:
  LibxmlNodeList(HolderPtr holder, std::vector<xmlNodePtr> nodes) : holder_(std::move(holder)), nodes_(std::move(nodes)) {}
  std::int32_t Length() const override { return static_cast<std::int32_t>(nodes_.size()); }
  std::shared_ptr<NodeImpl> Item(std::int32_t index) const override {
    if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return nullptr;
    return Wrap(holder_, nodes_[static_cast<std::size_t>(index)]);
  }

 private:
  HolderPtr holder_;
  std::vector<xmlNodePtr> nodes_;
};

void IgnoreError(void*, xmlErrorPtr) {}

struct XPathContextDeleter {
  void operator()(xmlXPathContextPtr p) const { xmlXPathFreeContext(p); }
};
struct XPathObjectDeleter {
  void operator()(xmlXPathObjectPtr p) const { xmlXPathFreeObject(p); }
};

bool CanHoldChildren(xmlElementType type) { return type == XML_ELEMENT_NODE || type == XML_DOCUMENT_NODE; }

bool CanBeChild(xmlElementType type) {
  return type == XML_ELEMENT_NODE || type == XML_TEXT_NODE || type == XML_CDATA_SECTION_NODE ||
         type == XML_COMMENT_NODE || type == XML_PI_NODE;
}

// Links without xmlAddChild, which merges adjacent text nodes and frees the one passed in.
void Link(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr before) {
  child->parent = parent;
  if (before) {
    child->next = before;
    child->prev = before->prev;
    if (before->prev) before->prev->next = child;
    else parent->children = child;
    before->prev = child;
    return;
  }
  child->next = nullptr;
  child->prev = parent->last;
  if (parent->last) parent->last->next = child;
  else parent->children = child;
  parent->last = child;
}

class LibxmlNode final : public NodeImpl {
 public:
  LibxmlNode(HolderPtr holder, xmlNodePtr node) : holder_(std::move(holder)), node_(node) {}

  NodeKind kind() const override {
    switch (node_->type) {
      case XML_ELEMENT_NODE: return NodeKind::Element;
      case XML_ATTRIBUTE_NODE: return NodeKind::Attribute;
      case XML_TEXT_NODE: return NodeKind::Text;
      case XML_CDATA_SECTION_NODE: return NodeKind::CData;
      case XML_COMMENT_NODE: return NodeKind::Comment;
      case XML_PI_NODE: return NodeKind::ProcessingInstruction;
      case XML_DOCUMENT_NODE: return NodeKind::Document;
      default: return NodeKind::Other;
    }
  }

  std::wstring nodeName() const override {
    switch (node_->type) {
      case XML_ELEMENT_NODE:
      case XML_ATTRIBUTE_NODE:
        return QualifiedName();
      case XML_PI_NODE: return Wide(node_->name);
      case XML_TEXT_NODE: return L"#text";
      case XML_CDATA_SECTION_NODE: return L"#cdata-section";
      case XML_COMMENT_NODE: return L"#comment";
      case XML_DOCUMENT_NODE: return L"#document";
      default: return Wide(node_->name);
    }
  }

  std::wstring baseName() const override {
    if (node_->type != XML_ELEMENT_NODE && node_->type != XML_ATTRIBUTE_NODE && node_->type != XML_PI_NODE) return {};
    // A created element keeps its prefix inside its name.
    auto name = Wide(node_->name);
    const auto colon = name.find(L':');
    return colon == std::wstring::npos ? name : name.substr(colon + 1);
  }

  std::wstring nodeValue() const override {
    switch (node_->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
      case XML_COMMENT_NODE:
      case XML_PI_NODE:
        return Wide(node_->content);
      case XML_ATTRIBUTE_NODE: {
        XmlCharOwner value{xmlNodeGetContent(node_)};
        return Wide(value.p);
      }
      default: return {};
    }
  }

  void SetText(const std::wstring& value) override {
    const auto utf8 = ToUtf8(value);
    const auto* content = reinterpret_cast<const xmlChar*>(utf8.c_str());
    if (node_->type == XML_DOCUMENT_NODE) Fail("a document holds no text of its own");
    if (node_->type != XML_ELEMENT_NODE && node_->type != XML_ATTRIBUTE_NODE) {
      xmlNodeSetContent(node_, content);
      return;
    }
    // Old children may still be held by wrappers: park them instead of freeing them.
    while (xmlNodePtr child = node_->children) {
      xmlUnlinkNode(child);
      holder_->orphans.insert(child);
    }
    if (value.empty()) return;
    xmlNodePtr text = xmlNewDocText(holder_->doc, content);
    if (!text) Fail("out of memory");
    Link(node_, text, nullptr);
  }

  std::shared_ptr<NodeImpl> Attribute(const std::wstring& name) const override {
    if (node_->type != XML_ELEMENT_NODE) return nullptr;
    for (xmlAttrPtr attr = node_->properties; attr; attr = attr->next) {
      auto* asNode = reinterpret_cast<xmlNodePtr>(attr);
      if (LibxmlNode(holder_, asNode).QualifiedName() == name) return Wrap(holder_, asNode);
    }
    return nullptr;
  }

  std::vector<std::pair<std::wstring, std::wstring>> AttributePairs() const override {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    if (node_->type != XML_ELEMENT_NODE) return pairs;
    for (xmlNsPtr ns = node_->nsDef; ns; ns = ns->next) {
      pairs.emplace_back(ns->prefix ? L"xmlns:" + Wide(ns->prefix) : L"xmlns", Wide(ns->href));
    }
    for (xmlAttrPtr attr = node_->properties; attr; attr = attr->next) {
      LibxmlNode wrapper(holder_, reinterpret_cast<xmlNodePtr>(attr));
      pairs.emplace_back(wrapper.QualifiedName(), wrapper.nodeValue());
    }
    return pairs;
  }

  std::shared_ptr<NodeListImpl> ChildNodes() const override {
    std::vector<xmlNodePtr> nodes;
    for (xmlNodePtr at = node_->children; at; at = at->next) nodes.push_back(at);
    return std::make_shared<LibxmlNodeList>(holder_, std::move(nodes));
  }

  std::shared_ptr<NodeImpl> FirstChild() const override { return Wrap(holder_, node_->children); }
  std::shared_ptr<NodeImpl> NextSibling() const override {
    return node_->type == XML_ATTRIBUTE_NODE ? nullptr : Wrap(holder_, node_->next);
  }
  std::shared_ptr<NodeImpl> Parent() const override { return Wrap(holder_, node_->parent); }

  bool PreservesWhitespace() const override { return holder_->preserveWhitespace; }

  bool IsSame(const NodeImpl& other) const override {
    const auto* o = dynamic_cast<const LibxmlNode*>(&other);
    return o && o->node_ == node_;
  }

  std::shared_ptr<NodeListImpl> SelectNodes(const std::wstring& xpath) const override {
    return std::make_shared<LibxmlNodeList>(holder_, Evaluate(xpath));
  }

  std::shared_ptr<NodeImpl> SelectSingleNode(const std::wstring& xpath) const override {
    const auto nodes = Evaluate(xpath);
    return nodes.empty() ? nullptr : Wrap(holder_, nodes.front());
  }

  std::shared_ptr<NodeImpl> InsertBefore(NodeImpl& child, NodeImpl* before) override {
    auto* c = dynamic_cast<LibxmlNode*>(&child);
    auto* b = dynamic_cast<LibxmlNode*>(before);
    if (!c || c->holder_ != holder_ || (before && (!b || b->node_->parent != node_))) {
      Fail("the node belongs to another document or parent");
    }
    if (!CanHoldChildren(node_->type) || !CanBeChild(c->node_->type)) Fail("this node cannot take that child");
    if (node_->type == XML_DOCUMENT_NODE) RequireDocumentChildAllowed(c->node_);
    if (b && b->node_ == c->node_) return Wrap(holder_, c->node_);
    xmlUnlinkNode(c->node_);
    Link(node_, c->node_, b ? b->node_ : nullptr);
    return Wrap(holder_, c->node_);
  }

  std::wstring QualifiedName() const {
    const auto name = Wide(node_->name);
    if (node_->ns && node_->ns->prefix) return Wide(node_->ns->prefix) + L":" + name;
    return name;
  }

 private:
  // A document holds one element at most, and no text.
  void RequireDocumentChildAllowed(xmlNodePtr child) const {
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) Fail("no text at document level");
    if (child->type != XML_ELEMENT_NODE) return;
    xmlNodePtr root = xmlDocGetRootElement(holder_->doc);
    if (root && root != child) Fail("the document already has a root element");
  }

  std::vector<xmlNodePtr> Evaluate(const std::wstring& xpath) const {
    std::unique_ptr<xmlXPathContext, XPathContextDeleter> context(xmlXPathNewContext(holder_->doc));
    if (!context) Fail("out of memory");
    context->node = node_;
    context->error = IgnoreError;  // reported to the caller as a RuntimeError instead
    const auto expression = ToUtf8(xpath);
    std::unique_ptr<xmlXPathObject, XPathObjectDeleter> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.c_str()), context.get()));
    if (!result || result->type != XPATH_NODESET) Fail("invalid XPath expression: " + expression);
    std::vector<xmlNodePtr> nodes;
    if (!result->nodesetval) return nodes;
    for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
      xmlNodePtr node = result->nodesetval->nodeTab[i];
      if (node->type != XML_NAMESPACE_DECL) nodes.push_back(node);
    }
    return nodes;
  }

  HolderPtr holder_;
  xmlNodePtr node_;
};

std::shared_ptr<NodeImpl> Wrap(const HolderPtr& holder, xmlNodePtr node) {
  if (!node) return nullptr;
  return std::make_shared<LibxmlNode>(holder, node);
}

bool IsWhitespaceOnly(const xmlChar* content) {
  if (!content) return true;
  for (; *content; ++content) {
    if (*content != ' ' && *content != '\t' && *content != '\r' && *content != '\n') return false;
  }
  return true;
}

// Iterative, so a deep tree costs no stack.
void DropWhitespaceText(xmlDocPtr doc) {
  std::vector<xmlNodePtr> doomed;
  xmlNodePtr at = xmlDocGetRootElement(doc);
  const xmlNodePtr root = at;
  while (at) {
    if (at->type == XML_TEXT_NODE && IsWhitespaceOnly(at->content)) doomed.push_back(at);
    if (at->type == XML_ELEMENT_NODE && at->children) {
      at = at->children;
      continue;
    }
    while (at && at != root && !at->next) at = at->parent;
    at = (at && at != root) ? at->next : nullptr;
  }
  for (xmlNodePtr node : doomed) {
    xmlUnlinkNode(node);
    xmlFreeNode(node);
  }
}

struct ParserContextDeleter {
  void operator()(xmlParserCtxtPtr p) const { xmlFreeParserCtxt(p); }
};

// No entity substitution, no DTD loading, no network; depth and text-size limits stay on
// (no XML_PARSE_HUGE), so hostile input fails in bounded time and memory.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

ParseFailure FailureOf(const xmlParserCtxt& context) {
  const xmlError& error = context.lastError;
  std::wstring reason = error.message != nullptr ? FromUtf8(error.message) : L"the document is not well formed";
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L' ')) reason.pop_back();
  return ParseFailure{error.line, error.int2, std::move(reason)};
}

xmlDocPtr ParseUtf8(const std::string& utf8, ParseFailure& failure) {
  failure = ParseFailure{0, 0, L"the document is empty"};
  if (utf8.empty() || utf8.size() > INT_MAX) return nullptr;
  std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
  if (!context) return nullptr;
  xmlDocPtr doc = xmlCtxtReadMemory(context.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                                    kParseOptions);
  // An undeclared prefix or any DTD makes the document unacceptable, as for the system component.
  if (!doc || !context->wellFormed || !context->nsWellFormed || doc->intSubset || doc->extSubset) {
    failure = FailureOf(*context);
    if (doc) xmlFreeDoc(doc);
    return nullptr;
  }
  return doc;
}

class LibxmlDocument final : public DocumentImpl {
 public:
  LibxmlDocument() { Reset(nullptr); }

  bool Parse(const std::wstring& text, bool preserveWhitespace) override {
    xmlDocPtr doc = ParseUtf8(ToUtf8(text), failure_);
    Reset(doc);
    holder_->preserveWhitespace = preserveWhitespace;
    if (!doc) return false;
    if (!preserveWhitespace) DropWhitespaceText(doc);
    return true;
  }

  ParseFailure LastParseFailure() const override { return failure_; }
  void PreserveWhitespace(bool value) override { holder_->preserveWhitespace = value; }

  std::shared_ptr<NodeImpl> DocumentNode() const override { return Wrap(holder_, holder_->AsNode()); }

  std::shared_ptr<NodeImpl> CreateElement(const std::wstring& name) override {
    const auto utf8 = ToUtf8(name);
    return Adopt(xmlNewDocNode(holder_->doc, nullptr, reinterpret_cast<const xmlChar*>(utf8.c_str()), nullptr));
  }

  std::shared_ptr<NodeImpl> CreateProcessingInstruction(const std::wstring& target, const std::wstring& data) override {
    const auto t = ToUtf8(target);
    const auto d = ToUtf8(data);
    return Adopt(xmlNewDocPI(holder_->doc, reinterpret_cast<const xmlChar*>(t.c_str()),
                             reinterpret_cast<const xmlChar*>(d.c_str())));
  }

 private:
  ParseFailure failure_;
  void Reset(xmlDocPtr doc) {
    if (!doc) doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    if (!doc) Fail("out of memory");
    holder_ = std::make_shared<DocHolder>(doc);
  }

  std::shared_ptr<NodeImpl> Adopt(xmlNodePtr node) {
    if (!node) Fail("out of memory");
    holder_->orphans.insert(node);
    return Wrap(holder_, node);
  }

  HolderPtr holder_;
};

}  // namespace

std::unique_ptr<DocumentImpl> CreateDomBackend(const std::wstring& progId) {
  if (!EqualsNoCase(progId, L"MSXML2.DOMDocument") && !EqualsNoCase(progId, L"Microsoft.XMLDOM")) return nullptr;
  return std::make_unique<LibxmlDocument>();
}

}  // namespace notify::xml
