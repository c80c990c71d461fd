#include "platform/xml/com_create_win.h"
#include "platform/xml/xml_services.h"

namespace notify::xml {

namespace {
// Held and released, never used: nothing in the module sends requests.
class ComHttp final : public XmlHttpObject {
 public:
  explicit ComHttp(win::ComPtr<IUnknown> object) : object_(std::move(object)) {}

 private:
  win::ComPtr<IUnknown> object_;
};
}  // namespace

std::unique_ptr<XmlHttpObject> CreateHttpObject(const std::wstring& progId) {
  auto object = CreateFromProgId<IUnknown>(progId, IID_IUnknown);
  if (!object) return nullptr;
  return std::make_unique<ComHttp>(std::move(object));
}

}  // namespace notify::xml
