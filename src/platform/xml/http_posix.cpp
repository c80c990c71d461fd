#include "platform/text.h"
#include "platform/xml/xml_services.h"

namespace notify::xml {

namespace {
// The native build has no HTTP component; nothing ever sends through it anyway.
class StandInHttp final : public XmlHttpObject {};
}  // namespace

std::unique_ptr<XmlHttpObject> CreateHttpObject(const std::wstring& progId) {
  if (!EqualsNoCase(progId, L"MSXML2.XMLHTTP") && !EqualsNoCase(progId, L"Microsoft.XMLHTTP")) return nullptr;
  return std::make_unique<StandInHttp>();
}

}  // namespace notify::xml
