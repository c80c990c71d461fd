#include "platform/xml/serialise.h"

#include <algorithm>

#include "platform/text.h"

namespace notify::xml {

namespace {

void AppendEscaped(std::wstring& out, std::wstring_view text, bool inAttribute) {
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += inAttribute ? L"&quot;" : L"\""; break;
      // A parser normalises raw line breaks and tabs in attributes; references survive.
      case L'\t': out += inAttribute ? L"&#9;" : L"\t"; break;
      case L'\n': out += inAttribute ? L"&#10;" : L"\n"; break;
      case L'\r': out += L"&#13;"; break;
      default: out.push_back(c);
    }
  }
}

void AppendStartTag(std::wstring& out, const NodeImpl& element, bool hasChildren) {
  out += L'<';
  out += element.nodeName();
  for (const auto& [name, value] : element.AttributePairs()) {
    out += L' ';
    out += name;
    out += L"=\"";
    AppendEscaped(out, value, true);
    out += L'"';
  }
  out += hasChildren ? L">" : L"/>";
}

void AppendNode(std::wstring& out, const NodeImpl& node, bool hasChildren) {
  switch (node.kind()) {
    case NodeKind::Element:
      AppendStartTag(out, node, hasChildren);
      break;
    case NodeKind::Text:
      AppendEscaped(out, node.nodeValue(), false);
      break;
    case NodeKind::CData:
      // "]]>" cannot stand inside one section, so it is split across two.
      out += L"<![CDATA[" + ReplaceAll(node.nodeValue(), L"]]>", L"]]]]><![CDATA[>") + L"]]>";
      break;
    case NodeKind::Comment:
      out += L"<!--" + node.nodeValue() + L"-->";
      break;
    case NodeKind::ProcessingInstruction: {
      const auto data = node.nodeValue();
      out += L"<?" + node.nodeName() + (data.empty() ? L"" : L" " + data) + L"?>";
      break;
    }
    default:
      break;
  }
}

bool IsTopLevel(const NodeImpl& node) {
  const auto parent = node.Parent();
  return parent && parent->kind() == NodeKind::Document;
}

}  // namespace

std::wstring ConcatenatedText(const std::shared_ptr<NodeImpl>& start, bool preserveWhitespace) {
  std::wstring out;
  std::size_t firstCData = std::wstring::npos;  // where trimming from the front must stop
  std::size_t lastCDataEnd = 0;                 // and from the back
  WalkDescendants(
      start,
      [&](const NodeImpl& node, bool) {
        const auto kind = node.kind();
        if (kind == NodeKind::CData) {
          if (firstCData == std::wstring::npos) firstCData = out.size();
          out += node.nodeValue();
          lastCDataEnd = out.size();
        } else if (kind == NodeKind::Text) {
          out += node.nodeValue();
        }
      },
      [](const NodeImpl&, bool) {});
  if (preserveWhitespace) return out;
  auto isSpace = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
  std::size_t first = 0;
  const std::size_t frontLimit = std::min(firstCData, out.size());
  while (first < frontLimit && isSpace(out[first])) ++first;
  std::size_t last = out.size();
  const std::size_t backLimit = std::max(lastCDataEnd, first);
  while (last > backLimit && isSpace(out[last - 1])) --last;
  return out.substr(first, last - first);
}

std::wstring DeclarationData(const std::shared_ptr<NodeImpl>& document) {
  for (auto at = document->FirstChild(); at; at = at->NextSibling()) {
    if (at->kind() == NodeKind::ProcessingInstruction && at->nodeName() == L"xml") return at->nodeValue();
  }
  return {};
}

std::wstring SerialiseDocument(const std::shared_ptr<NodeImpl>& document) {
  std::wstring out;
  WalkDescendants(
      document, [&out](const NodeImpl& node, bool hasChildren) { AppendNode(out, node, hasChildren); },
      [&out](const NodeImpl& node, bool hadChildren) {
        if (node.kind() == NodeKind::Element && hadChildren) out += L"</" + node.nodeName() + L">";
        if (IsTopLevel(node)) out += L"\r\n";
      });
  return out;
}

}  // namespace notify::xml
