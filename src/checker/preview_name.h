#pragma once
// The file name of one message's preview: "<index>-<ID>.png".
#include <string>

namespace notify::checker {

// The ID with every character that a Windows file name cannot hold (controls, <>:"/\|?*,
// and dots or blanks at its end) as "_", cut to 100 characters. The index keeps two IDs
// that come out the same apart, and keeps the name off the device names (CON, NUL...).
std::wstring PreviewFileName(int index, const std::wstring& id);

}  // namespace notify::checker
