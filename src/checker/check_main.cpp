// The catalogue checker's command line. It shows no popup and writes no file except the
// previews it is asked for.
#include <cstdio>
#include <optional>
#include <string>

#include "catalogue/audience.h"
#include "checker/check.h"
#include "checker/console.h"
#include "checker/preview.h"
#include "checker/report_format.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

using namespace notify;
using namespace notify::checker;

constexpr const char* kUsage =
    "usage: notify-check [--today YYYY-MM-DD] [--cache FILE | --new-user] [--format text|json|sarif]\n"
    "                    [--fail-on error|warning|note] [--path-prefix DIR] [--lang TAGS]\n"
    "                    [--program-version V] [--preview DIR] [--published FILE] [FOLDER]\n"
    "\n"
    "Explains which messages of FOLDER\\Message.xml (default: the current folder) would show, and why\n"
    "the others would not, using the program's own rules. Writes nothing.\n"
    "\n"
    "  --published FILE  check FILE, a catalogue to publish, against FOLDER's keys and skins instead:\n"
    "                 its signature FILE.sig, AppID, Serial, what a published message may not do, and\n"
    "                 each message's decision\n"
    "  --today DATE   judge expiry as of that day (default: today)\n"
    "  --cache FILE   judge \"already seen\" against that cache file\n"
    "  --new-user     judge for a user with no cache"
#ifdef _WIN32
    " (default: this user's cache, read only)\n"
#else
    " (the default)\n"
#endif
    "  --format F     text (default), json or sarif\n"
    "  --fail-on S    exit 1 on a finding of severity S or worse: error (default), warning or note\n"
    "  --path-prefix DIR\n"
    "                 name files as DIR/Message.xml, relative to the repository's root\n"
    "  --lang TAGS    the user's UI languages, most preferred first, separated by commas or spaces\n"
#ifdef _WIN32
    "                 (default: this user's)\n"
#else
    "                 (default: en)\n"
#endif
    "  --program-version V  the host program's version, up to four dotted numbers (default: the\n"
    "                 version resource of the root's Program file)\n"
    "  --preview DIR  write DIR/<index>-<ID>.png for each message to show (Windows build)\n"
    "\n"
    "Exit status: 0 when the catalogue would be read and no finding reaches --fail-on, 1 when one\n"
    "does (or the catalogue would not be read), 2 when the check could not run.\n";

int Refuse(const std::string& why) {
  std::fprintf(stderr, "notify-check: %s\n", why.c_str());
  std::fprintf(stderr, "Try --help for the usage.\n");
  return 2;
}

std::optional<CivilDate> ParseDay(const std::wstring& text) {
  if (text.size() != 10 || text[4] != L'-' || text[7] != L'-') return std::nullopt;
  auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
      if (text[i] < L'0' || text[i] > L'9') return -1;
      value = value * 10 + (text[i] - L'0');
    }
    return value;
  };
  const CivilDate date{number(0, 4), number(5, 2), number(8, 2)};
  if (date.Year < 0 || !IsValidDate(date)) return std::nullopt;
  return date;
}

// "\x" (or "/x") is on the current folder's drive, as Windows reads it: under Wine, run from a
// Linux folder (drive Z:), a Linux path such as /home/me/app then names that folder.
std::wstring Absolute(const std::wstring& given) {
  const std::wstring path = ReplaceAll(given, L"/", L"\\");
  if (path.starts_with(L"\\\\") || (path.size() >= 2 && path[1] == L':')) return path;
  const std::wstring here = CurrentFolder();
  if (path.starts_with(L"\\")) return here.size() >= 2 && here[1] == L':' ? here.substr(0, 2) + path : path;
  return AddTrailingBackslash(here) + path;
}

// Why a folder is not there, with the way to name a Linux folder to the Windows build.
std::string NoSuchFolder(const std::wstring& given) {
  std::string why = "no such folder: " + ToUtf8(ShownPath(given));
#ifdef _WIN32
  if (given.starts_with(L"/")) {
    why += " (under Wine a Linux folder is on drive Z:, as Z:" + ToUtf8(ReplaceAll(given, L"/", L"\\")) +
           ", or run the check from inside it)";
  }
#endif
  return why;
}

// '/' separated, without "./" before or '/' after: "./packaging\\notify/" is "packaging/notify".
std::wstring PathPrefix(std::wstring prefix) {
  prefix = ReplaceAll(prefix, L"\\", L"/");
  while (prefix.starts_with(L"./")) prefix.erase(0, 2);
  while (!prefix.empty() && prefix.back() == L'/') prefix.pop_back();
  return prefix == L"." ? std::wstring() : prefix;
}

// 1 when the catalogue would not be read or a finding is at least as severe as failOn.
int ExitStatus(const CheckReport& report, Severity failOn) {
  if (report.ExitStatus() != 0) return 1;
  for (const auto& d : report.diagnostics) {
    if (static_cast<int>(d.severity) <= static_cast<int>(failOn)) return 1;
  }
  return 0;
}

struct Arguments {
  std::optional<CivilDate> today;
  CacheMode cache =
#ifdef _WIN32
      CacheMode::UserCache;
#else
      CacheMode::NewUser;
#endif
  std::wstring cacheFile;
  std::string format = "text";
  std::optional<std::wstring> preview;
  std::optional<std::vector<std::wstring>> languages;
  std::optional<DottedVersion> programVersion;
  std::optional<std::wstring> folder;
  Severity failOn = Severity::Error;
  std::wstring pathPrefix;
  std::wstring published;
  bool help = false;
};

// An empty string when the arguments are good, else why not.
std::string Parse(const std::vector<std::wstring>& list, Arguments& args) {
  bool cacheGiven = false;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::wstring& arg = list[i];
    auto value = [&]() -> std::optional<std::wstring> {
      if (i + 1 >= list.size()) return std::nullopt;
      return list[++i];
    };
    if (arg == L"--help" || arg == L"-h" || arg == L"-?" || arg == L"/?") {
      args.help = true;
    } else if (arg == L"--today") {
      const auto text = value();
      if (!text) return "--today needs a date";
      args.today = ParseDay(*text);
      if (!args.today) return "--today wants a date written YYYY-MM-DD, not \"" + ToUtf8(*text) + "\"";
    } else if (arg == L"--cache" || arg == L"--new-user") {
      if (cacheGiven) return "give --cache FILE or --new-user, once";
      cacheGiven = true;
      if (arg == L"--new-user") {
        args.cache = CacheMode::NewUser;
        continue;
      }
      const auto file = value();
      if (!file) return "--cache needs a file";
      args.cache = CacheMode::File;
      args.cacheFile = Absolute(*file);
      if (!FileExists(args.cacheFile)) return "no such cache file: " + ToUtf8(*file);
    } else if (arg == L"--format") {
      const auto format = value();
      if (!format || (*format != L"text" && *format != L"json" && *format != L"sarif")) {
        return "--format wants text, json or sarif";
      }
      args.format = ToUtf8(*format);
    } else if (arg == L"--lang") {
      const auto tags = value();
      if (!tags) return "--lang needs language tags";
      args.languages = LanguageTags(ReplaceAll(*tags, L",", L" "));
    } else if (arg == L"--program-version") {
      const auto text = value();
      args.programVersion = text ? ParseVersion(*text) : std::nullopt;
      if (!args.programVersion) return "--program-version wants up to four numbers separated by dots";
    } else if (arg == L"--fail-on") {
      const auto level = value();
      if (level == L"error") args.failOn = Severity::Error;
      else if (level == L"warning") args.failOn = Severity::Warning;
      else if (level == L"note") args.failOn = Severity::Note;
      else return "--fail-on wants error, warning or note";
    } else if (arg == L"--path-prefix") {
      const auto prefix = value();
      if (!prefix) return "--path-prefix needs a folder";
      args.pathPrefix = PathPrefix(*prefix);
    } else if (arg == L"--preview") {
      const auto folder = value();
      if (!folder) return "--preview needs a folder";
      args.preview = Absolute(*folder);
    } else if (arg == L"--published") {
      const auto file = value();
      if (!file) return "--published needs a file";
      args.published = Absolute(*file);
      if (!FileExists(args.published)) return "no such file: " + ToUtf8(*file);
    } else if (arg.starts_with(L"--")) {
      return "unknown option " + ToUtf8(arg);
    } else if (args.folder) {
      return "give one FOLDER only";
    } else {
      args.folder = arg;
    }
  }
  return {};
}

int Run(int argc, char** argv) {
  Arguments args;
  const std::string refusal = Parse(CommandArguments(argc, argv), args);
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!refusal.empty()) return Refuse(refusal);

  CheckOptions options;
  options.folder = AddTrailingBackslash(args.folder ? Absolute(*args.folder) : CurrentFolder());
  if (!FolderExists(options.folder)) return Refuse(NoSuchFolder(args.folder.value_or(L".")));
  options.today = args.today ? *args.today : LocalToday();
  options.cache = args.cache;
  options.cacheFile = args.cacheFile;
  options.dates = std::shared_ptr<const DateParser>(SystemDateParser());
  options.languages = args.languages;
  options.programVersion = args.programVersion;
  options.published = args.published;

  const auto document = NewCheckerDocument();
  if (!document) return Refuse("the system XML component cannot be created");
  const CheckReport report = CheckFolder(options, *document);
  const FormatOptions format{args.pathPrefix};
  const std::string out = args.format == "json"    ? FormatJson(report, format)
                          : args.format == "sarif" ? FormatSarif(report, format)
                                                   : FormatText(report, format);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);

  if (args.preview) {
    PreviewRequest request{options.folder, AddTrailingBackslash(*args.preview), report.show};
    std::string why;
    if (WritePreviews(request, why) != 0) {
      std::fprintf(stderr, "notify-check: %s\n", why.c_str());
      return 2;
    }
  }
  return ExitStatus(report, args.failOn);
}

}  // namespace

int main(int argc, char** argv) {
  if (!notify::checker::PrepareProcess()) return Refuse("the system XML component cannot be used");
  int status = 2;
  try {
    status = Run(argc, argv);
  } catch (const std::exception& e) {
    status = Refuse(std::string("the check failed: ") + e.what());
  }
  notify::checker::EndProcess();
  return status;
}
