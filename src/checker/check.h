#pragma once
// The catalogue checker: runs the product's own selection and skin loading over a program
// folder with observers attached, and turns what they report into findings with places.
// It writes nothing: the cache is only read, and no repair or error log is attempted.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/conversions.h"
#include "catalogue/msg_record.h"
#include "platform/xml/dom.h"

namespace notify::checker {

enum class Severity { Error, Warning, Note };

struct Diagnostic {
  Severity severity = Severity::Note;
  std::string rule;
  std::wstring file;  // relative to the folder, '/' separated
  long line = 1;
  long column = 1;
  std::wstring message;
};

// "error": reading the message fails the run, so no decision stands. "blocked": it would show,
// but the catalogue as a whole would not be read, so nothing shows.
enum class Decision { Show, Expired, CheckFile, Seen, NoId, NotYet, OtherLanguage, OtherVersion, Held, Error, Blocked };

struct MessageResult {
  std::int32_t index = 0;  // 1-based, catalogue order
  std::wstring id;
  long line = 0;
  Decision decision = Decision::Error;
  // The end date when expired, the path found when check-file, the first day when not-yet,
  // the user's languages for other-language, the version found for other-version, which
  // limit and until when for held.
  std::wstring detail;
};

enum class CacheMode { UserCache, File, NewUser };

struct CheckOptions {
  std::wstring folder;  // the program folder, trailing backslash
  CivilDate today;
  CacheMode cache = CacheMode::NewUser;
  std::wstring cacheFile;  // with CacheMode::File
  std::shared_ptr<const DateParser> dates;
  std::optional<std::vector<std::wstring>> languages;  // nothing: the user's own (natively "en")
  std::optional<DottedVersion> programVersion;         // nothing: the Program file's version resource
  std::optional<std::int64_t> now;                     // seconds since 1970 UTC; nothing: the clock
  std::optional<std::int64_t> lastShown;               // for MinHours; nothing: never shown
  // --published: this catalogue is checked as a publication against the folder's keys and
  // skins, instead of the folder's Message.xml. Empty: none.
  std::wstring published;
};

struct CheckReport {
  std::wstring folder;
  std::wstring catalogue;
  std::wstring appId;
  std::optional<std::wstring> cache;  // nothing for a new user
  CivilDate today;
  bool readable = false;
  std::vector<std::pair<std::int32_t, MsgRecord>> show;  // 1-based index, record; empty when not readable
  std::vector<MessageResult> messages;
  std::vector<Diagnostic> diagnostics;

  std::size_t Count(Severity severity) const;
  // 0: readable and no error; 1: otherwise.
  int ExitStatus() const;
};

// The document is the one the selection and the skins are read through.
CheckReport CheckFolder(const CheckOptions& options, xml::DomDocument& document);

// The system's DOM document, created without the product's repair (which writes a log).
std::unique_ptr<xml::DomDocument> NewCheckerDocument();

const char* DecisionName(Decision decision);
const char* SeverityName(Severity severity);
std::wstring DateText(const CivilDate& date);  // YYYY-MM-DD
// A path as this system writes it (natively the module's backslashes become '/').
std::wstring ShownPath(const std::wstring& path);
// The user's cache as the program on Windows names it: natively "%APPDATA%\Korvane\...",
// since the machine that runs the check is not the users' machine.
std::wstring ShownCachePath(const std::wstring& appId, const std::wstring& cachePath);

// The rules, in the order they are documented.
struct RuleInfo {
  const char* id;
  const char* description;
};
const std::vector<RuleInfo>& Rules();

}  // namespace notify::checker
