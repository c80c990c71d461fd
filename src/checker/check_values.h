#pragma once
// Values that mean something else, or nothing, on another user's machine: a Limit read in
// each user locale, a path as the path macros left it, a name that differs from the one
// the program reads only in case or a letter or two.
#include <optional>
#include <string>
#include <vector>

#include "checker/check.h"
#include "checker/locator.h"
#include "platform/paths.h"

namespace notify::checker {

struct ValueFinding {
  Severity severity = Severity::Warning;
  std::wstring message;
};

// Nothing for a Limit written yyyy-mm-dd or yyyy/mm/dd. Otherwise what each of
// kLimitLocales makes of it: an error when one of them reads no date (that locale's users
// see no message at all), else a warning. `name` begins the message ("Message \"x\"").
std::optional<ValueFinding> JudgeDateForm(const std::wstring& name, const std::wstring& limit);

// What the program looks for when a Check or local Uri path holds an unknown macro, text
// after {#P@PRT}, or is relative; nothing when none of these.
std::optional<std::wstring> PathTraps(const std::wstring& name, const wchar_t* item, const PathExpansion& expansion);

// Logo and Sound are file names in a folder of the program: macros and full paths are
// not expanded there. `looksFor` is the path the program opens, as the report shows it.
std::optional<std::wstring> FileNameTraps(const std::wstring& name, const wchar_t* item, const std::wstring& text,
                                          const std::wstring& looksFor);

// A name among `present` that is not `wanted` but resembles it (the same in another letter
// case, or one or two letters apart), and what to tell the author about it.
struct Resemblance {
  std::wstring present;
  std::wstring advice;  // "`Autoshut`: names are case-sensitive; did you mean `AutoShut`?"
};
std::optional<Resemblance> Resembling(const std::vector<std::wstring>& present, const std::wstring& wanted);

}  // namespace notify::checker
