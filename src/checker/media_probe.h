#pragma once
// What the checker needs to know of a picture or a sound file without showing or playing it.
#include <optional>
#include <string>

#include "platform/ui/geometry.h"

namespace notify::checker {

// The natural size, or nothing when the file cannot be read as a picture. The Windows
// build decodes with the popup's own picture loader.
std::optional<Size> ProbePicture(const std::wstring& path);

// True when the file is a RIFF WAVE file with a format chunk, as the sound player needs.
bool IsPlayableWave(const std::wstring& path);

}  // namespace notify::checker
