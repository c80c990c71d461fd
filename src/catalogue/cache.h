#pragma once
// The seen-message cache: "MessageCache.xml" under the application-data folder, one ID
// element per shown message, read and written through the shared XML document.
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "catalogue/msg_record.h"
#include "platform/xml/dom.h"

namespace notify {

// appDataFolder (trailing backslash) + "Korvane\" + AppID with "." as "\" + "\" when
// missing + "MessageCache.xml". Every dot becomes a separator, so no ".." can survive.
std::wstring CachePathFor(const std::wstring& appDataFolder, const std::wstring& appId);

// Why Windows could not create the cache that CachePathFor gives for appId, judged by
// Windows' rules on every build: a folder the AppID names that holds a character no file
// name may hold or is a reserved device name, or a path past MAX_PATH. Empty when it can.
std::wstring CachePathProblem(const std::wstring& appId, const std::wstring& cachePath);

// Creates the cache when there is no file at cachePath, loads it and returns the trimmed
// texts of all ID elements plus one empty slot. Throws when the cache cannot be loaded
// or holds more than 32767 identifiers (the 16-bit loop counter).
std::vector<std::wstring> LoadSeenIds(xml::DomDocument& doc, const std::wstring& cachePath);
// The same without creating anything: no file gives no identifiers (just the empty slot).
std::vector<std::wstring> ReadSeenIds(xml::DomDocument& doc, const std::wstring& cachePath);

// Appends record.ID to the first Config element and saves the cache; sets
// record.Recorded on success. Any failure leaves the file and the flag untouched.
void RecordSeenId(xml::DomDocument* doc, const std::wstring& cachePath, MsgRecord& record) noexcept;

// The seen identifiers keyed by their case fold: the same answer as comparing the id
// with each identifier without regard to case, in constant time.
class SeenIdIndex {
 public:
  explicit SeenIdIndex(std::span<const std::wstring> seenIds);
  bool Contains(std::wstring_view id) const;

 private:
  std::unordered_set<std::wstring> folded_;
};

}  // namespace notify
