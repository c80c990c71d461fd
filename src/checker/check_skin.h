#pragma once
// The skin's findings for the messages that show: each style's Config.xml and pictures, its
// frame and button strips, and each logo. The picture sizes stay for the layout.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "checker/check_part.h"
#include "platform/ui/geometry.h"
#include "presentation/skin_style.h"

namespace notify::checker {

using PictureSizes = std::map<SkinTarget, Size>;

class SkinChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  // Loads the message's style and logo as the popup does, once for each pair; a style's own
  // findings come with its first message. `previous` is the message shown before it.
  void Check(std::int32_t index, const MsgRecord& record, const std::optional<MsgRecord>& previous);
  // The picture sizes the load of the message's style and logo set.
  const PictureSizes& Pictures(const MsgRecord& record);

 private:
  void CheckFrame(const PictureSizes& pictures, const SourceLocator& config, const std::wstring& configName,
                  const std::wstring& style);
  void CheckStrips(const PictureSizes& pictures, const SourceLocator& config, const std::wstring& configName,
                   const std::wstring& style);

  std::set<std::wstring> skinsDone_;
  std::map<std::wstring, PictureSizes> pictures_;  // by style and logo
  std::set<std::wstring> stylesDone_;
};

}  // namespace notify::checker
