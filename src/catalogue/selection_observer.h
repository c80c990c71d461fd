#pragma once
// What the selection decides and why, for tools that explain a catalogue. The program
// passes no observer. With one, the selection goes on past a message whose values fail,
// so that every such message is reported; the run's result is still false.
#include <cstdint>
#include <string>

#include "platform/paths.h"

namespace notify {

enum class MessageDecision { Show, Expired, CheckFile, Seen, NoId, NotYet, OtherLanguage, OtherVersion, Held };

// How an item's text is converted.
enum class ValueKind { Text, Date, Colour, Whole, Pixels, Flag, Version };

// One item of a Message: an attribute of the Message element (child empty), a child's
// text (attribute empty) or an attribute of a child.
struct CatalogueItem {
  const wchar_t* child = L"";
  const wchar_t* attribute = L"";
  ValueKind kind = ValueKind::Text;
};

enum class ItemFault { MissingChild, MissingAttribute, BadValue };

// Failures outside any one message: each ends the run.
enum class RunStage { LoadCatalogue, ReadAppId, ReadPacing, LoadCache, TooManyMessages, NoMessages };

class SelectionObserver {
 public:
  virtual ~SelectionObserver() = default;
  virtual void CatalogueRead(const std::wstring& appId, const std::wstring& cachePath) = 0;
  virtual void RunFailed(RunStage stage, const std::string& cause) = 0;
  // index: 0-based among the Message elements. detail: the Limit text when expired, the
  // expanded path when a check file exists, the Start text when not yet, the user's
  // languages (space separated) for another language, the version found ("" when none)
  // for another version, "MaxPerRun" or "MinHours <seconds since 1970 UTC when it may
  // show>" when held.
  virtual void Decided(std::int32_t index, const std::wstring& id, MessageDecision decision,
                       const std::wstring& detail) = 0;
  // Each item of a message as it is read, with its text as written (index -1: the root's). All of a message's reads
  // come from one place, so the item named here is the one the selection used.
  virtual void ItemRead(std::int32_t index, const CatalogueItem& item, const std::wstring& text) {
    (void)index, (void)item, (void)text;
  }
  // id: the trimmed ID attribute, empty when it cannot be read.
  // The Limit text as read, before it is converted; told for every message.
  virtual void LimitRead(std::int32_t /*index*/, const std::wstring& /*limit*/) {}
  // What the path macros made of a Check or local Uri text.
  virtual void PathExpanded(std::int32_t /*index*/, const CatalogueItem& /*item*/, const PathExpansion& /*expansion*/) {}
  virtual void ValueFailed(std::int32_t index, const std::wstring& id, const CatalogueItem& item, ItemFault fault,
                           const std::wstring& value, const std::string& cause) = 0;
};

}  // namespace notify
