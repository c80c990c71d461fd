#pragma once
// One accepted catalogue entry. Fields keep the catalogue's order of declaration.
// Colours are 0x00BBGGRR; sizes of the popup are twips, sizes of the buttons are as
// written in the catalogue (pixels). An empty record (empty ID) marks an empty slot.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/conversions.h"

namespace notify {

// major.minor.build.revision
using DottedVersion = std::array<std::uint16_t, 4>;

struct MsgRecord {
  std::wstring ID;
  std::wstring Style;
  std::wstring Logo;
  std::wstring Sound;
  std::int16_t AutoShut = 0;  // seconds; 0 = wait for a button
  std::wstring Title;
  std::int32_t TitleColor = 0;
  std::wstring Content;
  std::int32_t ContentColor = 0;
  std::wstring Author;
  std::int32_t AuthorColor = 0;
  std::wstring Date;  // display text only
  std::int32_t DateColor = 0;
  std::wstring Uri;  // empty = the confirm button opens nothing
  std::wstring BtnCls;
  std::int32_t BtnClsColor = 0;
  std::int32_t BtnClsPColor = 0;
  std::int16_t BtnClsWidth = 0;   // pixels, unscaled
  std::int16_t BtnClsHeight = 0;  // pixels, unscaled
  std::wstring BtnCfm;
  std::int32_t BtnCfmColor = 0;
  std::int32_t BtnCfmPColor = 0;
  std::int16_t BtnCfmWidth = 0;   // pixels, unscaled
  std::int16_t BtnCfmHeight = 0;  // pixels, unscaled
  std::int32_t FormColor = 0;
  std::int16_t FormWidth = 0;   // twips (catalogue pixels times 15)
  std::int16_t FormHeight = 0;  // twips
  bool Round = false;
  bool Shadow = false;
  // Who and when; each absent by default, which shows the message to everyone at once.
  std::optional<CivilDate> Start;           // the first day it may show
  std::vector<std::wstring> Lang;           // language tags, one of which the user must have
  std::optional<DottedVersion> MinVersion;  // the host program's version at least this
  std::optional<DottedVersion> BelowVersion;  // and below this
  bool Recorded = false;  // set once the ID has been saved to the seen-message cache

  bool IsEmpty() const { return ID.empty(); }
  bool operator==(const MsgRecord&) const = default;
};

}  // namespace notify
