#include "app/single_instance.h"

#include <cstdint>
#include <cstdio>

#include "platform/text.h"

namespace notify {

std::wstring InstanceMarkerName(const std::wstring& executablePath) {
  // Kernel object names cannot hold backslashes and are limited in length: a 64-bit
  // FNV-1a hash of the folded path (as UTF-8, so both builds agree) stands for it.
  const std::string folded = ToUtf8(FoldCase(ReplaceAll(executablePath, L"/", L"\\")));
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : folded) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return L"Local\\Notify-" + FromUtf8(hex);
}

std::wstring InstanceMarkerName(const FileIdentity& file) {
  // A shape of its own ("F" and three fields), so it never meets a path-derived name.
  char text[64];
  std::snprintf(text, sizeof text, "F%016llx-%016llx-%016llx", static_cast<unsigned long long>(file.index),
                static_cast<unsigned long long>(file.size), static_cast<unsigned long long>(file.lastWrite));
  return L"Local\\Notify-" + FromUtf8(text);
}

}  // namespace notify
