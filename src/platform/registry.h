#pragma once
// The module's one way of writing to the registry, the portable encoding of the data it
// writes, and the compatibility assistant's record for the running executable.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace notify {

// Predefined root keys by their 32-bit handle values.
enum class RegRoot : std::uint32_t {
  ClassesRoot = 0x80000000u,
  CurrentUser = 0x80000001u,
  LocalMachine = 0x80000002u,
  Users = 0x80000003u,
};

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// A value of any kind: text, a whole number, or an array of bytes.
using RegValue = std::variant<std::wstring, std::int64_t, std::vector<std::uint8_t>>;

// Text to the system's ANSI code page, without a terminating NUL.
using AnsiEncoder = std::function<std::string(std::wstring_view)>;

enum class RegEncodingKind {
  Write,   // write `bytes` with the type
  Refuse,  // status 2, nothing written (a DWORD out of 0..4294967295)
  Skip,    // a type outside the table: nothing written, status unchanged
};

struct RegEncoding {
  RegEncodingKind kind = RegEncodingKind::Skip;
  std::vector<std::uint8_t> bytes;
};

// Values that do not convert (a text that is no number, a number where an array belongs)
// give zero bytes of their size, and the write goes on.
RegEncoding EncodeRegValue(const RegValue& value, std::uint32_t type, const AnsiEncoder& toAnsi);

// Creates the key and its missing parents; without a value name that is all it does.
// True when the last registry operation succeeded. The native build has no registry
// and always answers false.
bool RegWriteValue(RegRoot root, const std::wstring& keyPath, const std::optional<std::wstring>& valueName,
                   const RegValue& value, std::uint32_t type) noexcept;

inline constexpr std::wstring_view kCompatibilityPersistedKey =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted";

// The first three characters of an Explorer version text without their dots, read as a
// number from its leading digits (none give 0): "6.1.7601.17514" gives 61.
int ExplorerVersionNumber(std::wstring_view versionText);
// The record is written on systems whose Explorer version number is 60 or more.
bool ExplorerVersionWantsRecord(std::wstring_view versionText);
// The record's value name: the program folder, the executable's base name, ".exe".
std::wstring CompatibilityValueName();

// Writes the record when Explorer's version passes; ignores every failure.
void MarkCompatibilityPersisted() noexcept;

}  // namespace notify
