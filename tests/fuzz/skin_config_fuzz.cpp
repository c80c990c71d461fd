// The skin configuration reader: a fuzzed Config.xml in a style folder that holds a
// picture file for every role, so that every path the reader builds can resolve.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/paths.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "presentation/skin_style.h"

using namespace notify;

namespace {

class RecordedPictures final : public SkinPictures {
 public:
  void SetPicture(SkinTarget target, const std::wstring& path) override {
    // A picture that is not there is the reader's own fault: it checks before it sets.
    if (!FileExists(path)) fuzz::PropertyFailed("a picture was set from a missing file", path);
    if (target == SkinTarget::Logo && path != logo) fuzz::PropertyFailed("the logo came from elsewhere", path);
  }
  void ClearPicture(SkinTarget target) override {
    if (target != SkinTarget::MiddleMiddle) fuzz::PropertyFailed("a picture other than the centre was cleared");
  }
  std::wstring logo;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::wstring program = fuzz::ScratchFolder();
  static const bool prepared = [] {
    const std::wstring style = StyleFolder(program, L"Blue");
    for (const auto& element : kSkinElements) fuzz::WriteFile(style + std::wstring(element.name) + L".bmp", "BM");
    fuzz::WriteFile(LogoPath(program, L"logo.png"), "PNG");
    return true;
  }();
  (void)prepared;

  fuzz::WriteFile(SkinConfigPath(StyleFolder(program, L"Blue")), fuzz::AsBytes(data, size));
  MsgRecord record;
  record.Style = L"Blue";
  record.Logo = L"logo.png";
  RecordedPictures pictures;
  pictures.logo = LogoPath(program, record.Logo);
  xml::DomDocument doc(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
  LoadSkinStyle(record, program, &doc, pictures);
  return 0;
}
