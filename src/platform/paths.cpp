#include "platform/paths.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace notify {
namespace {

constexpr std::wstring_view kParentMacro = L"{#P@PRT}";

std::optional<std::wstring>& ProgramFolderSlot() {
  static std::optional<std::wstring> folder;
  return folder;
}

std::size_t CountNoCase(std::wstring_view text, std::wstring_view needle) {
  std::size_t count = 0;
  for (auto at = FindNoCase(text, needle); at != std::wstring_view::npos; at = FindNoCase(text, needle, at + needle.size())) {
    ++count;
  }
  return count;
}

std::vector<std::wstring> SplitAtBackslash(const std::wstring& text) {
  std::vector<std::wstring> pieces;
  if (text.empty()) return pieces;
  std::size_t start = 0;
  for (auto at = text.find(L'\\'); at != std::wstring::npos; at = text.find(L'\\', start)) {
    pieces.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

// Each "{#P@PRT}" goes one level up; whatever text follows the macro is dropped as well.
std::wstring ApplyParentMacro(const std::wstring& text) {
  const auto levels = CountNoCase(text, kParentMacro);
  const auto pieces = SplitAtBackslash(ReplaceAllNoCase(text, kParentMacro, L""));
  const auto drop = levels + 1;
  if (pieces.size() <= drop) return {};
  std::wstring result;
  for (std::size_t i = 0; i < pieces.size() - drop; ++i) result += pieces[i] + L'\\';
  return result;
}

// Catalogues were written for a 32-bit program, whose Program Files is the 32-bit one on
// 64-bit Windows. A system that cannot name that folder has only one Program Files.
std::wstring ProgramFilesX86Path() {
  auto folder = SpecialFolderPath(kCsidlProgramFilesX86);
  return folder.empty() ? SpecialFolderPath(kCsidlProgramFiles) : folder;
}

struct FolderMacro {
  std::wstring_view name;
  std::wstring (*folder)();
};

// Tested and expanded in this order; a folder is only computed when its macro is present.
const FolderMacro kFolderMacros[] = {
    {L"{#P@TMP}", [] { return TempFolderPath(); }},
    {L"{#P@CUR}", [] { return AddTrailingBackslash(ProgramFolder()); }},
    {L"{#P@SYS}", [] { return SpecialFolderPath(kCsidlSystemX86); }},
    {L"{#P@PGM}", [] { return ProgramFilesX86Path(); }},
    {L"{#P@DOC}", [] { return SpecialFolderPath(kCsidlPersonal); }},
    {L"{#P@DESK}", [] { return SpecialFolderPath(kCsidlDesktop); }},
};

}  // namespace

std::wstring AddTrailingBackslash(const std::wstring& path) {
  if (!path.empty() && path.back() == L'\\') return path;
  return path + L'\\';
}

std::wstring ParentPath(const std::wstring& text, const std::wstring& separator) {
  if (separator.empty()) return {};
  const auto at = text.rfind(separator);
  if (at == std::wstring::npos) return {};
  return text.substr(0, at + separator.size());
}

std::wstring TempFolderPath() noexcept {
  return Trap(std::wstring(), [] { return ReplaceAllNoCase(SpecialFolderPath(kCsidlHistory), L"\\History\\", L"\\Temp\\"); });
}

bool IsRelativePath(std::wstring_view path) {
  if (path.starts_with(L'\\')) return false;
  return !(path.size() >= 3 && path[1] == L':' && path[2] == L'\\');
}

PathExpansion ExplainPathMacros(const std::wstring& text) {
  PathExpansion expansion;
  expansion.text = text;
  expansion.path = ExpandPathMacros(text);
  for (auto at = FindNoCase(text, L"{#P@"); at != std::wstring::npos; at = FindNoCase(text, L"{#P@", at + 1)) {
    const auto close = text.find(L'}', at);
    if (close == std::wstring::npos) break;
    const std::wstring_view name(text.data() + at, close + 1 - at);
    const bool known = EqualsNoCase(name, kParentMacro) ||
                       std::any_of(std::begin(kFolderMacros), std::end(kFolderMacros),
                                   [&](const FolderMacro& macro) { return EqualsNoCase(name, macro.name); });
    if (!known) expansion.unknownMacros.emplace_back(name);
  }
  std::size_t last = std::wstring::npos;
  for (auto at = FindNoCase(text, kParentMacro); at != std::wstring::npos; at = FindNoCase(text, kParentMacro, at + 1)) {
    last = at;
  }
  if (last != std::wstring::npos) expansion.dropped = text.substr(last + kParentMacro.size());
  expansion.relative = !expansion.path.empty() && IsRelativePath(expansion.path);
  return expansion;
}

std::wstring ExpandPathMacros(const std::wstring& text) {
  std::wstring result = text;
  for (const auto& macro : kFolderMacros) {
    if (FindNoCase(result, macro.name) == std::wstring::npos) continue;
    result = ReplaceAllNoCase(result, macro.name, macro.folder());
  }
  if (FindNoCase(result, kParentMacro) != std::wstring::npos) result = ApplyParentMacro(result);
  return result;
}

const std::wstring& ProgramFolder() {
  auto& slot = ProgramFolderSlot();
  if (!slot) slot = AddTrailingBackslash(ExecutableFolder());
  return *slot;
}

void SetProgramFolder(const std::wstring& folder) { ProgramFolderSlot() = folder; }

std::wstring ExecutableFolder() { return ParentPath(ExecutablePath(), L"\\"); }

std::wstring FileBaseName(const std::wstring& path) {
  const auto name = path.substr(ParentPath(path, L"\\").size());
  const auto dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring ExecutableBaseName() { return FileBaseName(ExecutablePath()); }

}  // namespace notify
