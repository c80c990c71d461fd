#pragma once
// Times as seconds since 1970-01-01 UTC, and the two texts they are written in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace notify {

// "YYYY-MM-DDThh:mm:ssZ" and back; nothing for any other text or an impossible date.
std::wstring FormatUtcTime(std::int64_t secondsSince1970);
std::optional<std::int64_t> ParseUtcTime(std::wstring_view text);

// An HTTP date in its fixed form, "Sun, 06 Nov 1994 08:49:37 GMT"; nothing otherwise.
std::optional<std::int64_t> ParseHttpDate(std::wstring_view text);

}  // namespace notify
