#include "platform/file_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/paths.h"
#include "test_support.h"

namespace notify {
namespace {

TEST(FileVersion, FormattingTable) {
  struct Case {
    std::uint32_t ms, ls;
    std::wstring text;
  };
  const Case cases[] = {
      {0x00060001u, 0x1DB1446Au, L"6.1.7601.17514"},
      {0x00010002u, 0x00039C40u, L"1.2.3.40000"},  // unsigned: 40000 is no negative 16-bit number
      {0x00000000u, 0x00000000u, L"0.0.0.0"},
      {0xFFFFFFFFu, 0xFFFF0000u, L"65535.65535.65535.0"},
      {0x000A0000u, 0x4A610001u, L"10.0.19041.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFileVersion(c.ms, c.ls), c.text);
}

TEST(FileVersion, MissingFilesAndFoldersGiveZeros) {
  const test::TempDir dir;
  auto folder = dir.path().wstring();
  for (auto& c : folder) {
    if (c == L'/') c = L'\\';
  }
  EXPECT_EQ(GetFileVersion(folder), L"0.0.0.0");
  EXPECT_EQ(GetFileVersion(AddTrailingBackslash(folder) + L"missing.exe"), L"0.0.0.0");
  EXPECT_EQ(GetFileVersion(L""), L"0.0.0.0");
}

TEST(FileVersion, DataFileWithoutVersionGivesTheFixedText) {
  const test::TempDir dir;
  test::WriteBytes(dir / "data.bin", "not an executable");
  auto path = (dir / "data.bin").wstring();
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  EXPECT_EQ(GetFileVersion(path), L"1.0.0.1000");
}

// A minimal PE image with one .rsrc section holding a version resource, written field by
// field so that each test can break exactly one thing.
struct PeImage {
  std::string bytes = std::string(0x200 + 0x100, '\0');
  std::size_t optional = 0x58;
  bool pe32Plus = true;

  void Put(std::size_t at, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }

  static PeImage Build(bool pe32Plus, std::uint32_t ms, std::uint32_t ls) {
    PeImage image;
    image.pe32Plus = pe32Plus;
    auto& b = image;
    b.Put(0, 0x5A4D, 2);
    b.Put(0x3C, 0x40, 4);
    b.Put(0x40, 0x00004550, 4);
    b.Put(0x44, 0x8664, 2);
    b.Put(0x46, 1, 2);  // one section
    const std::uint32_t directories = pe32Plus ? 112 : 96;
    const std::uint32_t optionalSize = directories + 16 * 8;
    b.Put(0x54, optionalSize, 2);
    b.Put(b.optional, pe32Plus ? 0x20B : 0x10B, 2);
    b.Put(b.optional + directories - 4, 16, 4);
    b.Put(b.optional + directories + 16, 0x1000, 4);  // resource directory RVA
    b.Put(b.optional + directories + 20, 0xB4, 4);
    const std::size_t section = b.optional + optionalSize;
    std::memcpy(&b.bytes[section], ".rsrc", 5);
    b.Put(section + 8, 0x100, 4);
    b.Put(section + 12, 0x1000, 4);
    b.Put(section + 16, 0x100, 4);
    b.Put(section + 20, 0x200, 4);
    const std::size_t rsrc = 0x200;
    b.Put(rsrc + 14, 1, 2);                        // root: one id entry
    b.Put(rsrc + 16, 16, 4);                       // RT_VERSION
    b.Put(rsrc + 20, 0x80000000u | 0x18, 4);
    b.Put(rsrc + 0x18 + 14, 1, 2);                 // names
    b.Put(rsrc + 0x18 + 16, 1, 4);
    b.Put(rsrc + 0x18 + 20, 0x80000000u | 0x30, 4);
    b.Put(rsrc + 0x30 + 14, 1, 2);                 // languages
    b.Put(rsrc + 0x30 + 16, 0x409, 4);
    b.Put(rsrc + 0x30 + 20, 0x48, 4);
    b.Put(rsrc + 0x48, 0x1000 + 0x58, 4);          // data entry: RVA and size
    b.Put(rsrc + 0x48 + 4, 92, 4);
    const std::size_t info = rsrc + 0x58;
    b.Put(info, 92, 2);
    b.Put(info + 2, 52, 2);
    const char16_t key[] = u"VS_VERSION_INFO";
    for (std::size_t i = 0; i < 15; ++i) b.Put(info + 6 + 2 * i, key[i], 2);
    b.Put(info + 40, 0xFEEF04BDu, 4);
    b.Put(info + 44, 0x00010000u, 4);
    b.Put(info + 48, ms, 4);
    b.Put(info + 52, ls, 4);
    b.Put(info + 56, 0x00090008u, 4);  // product version 9.8.7.6 must not be taken
    b.Put(info + 60, 0x00070006u, 4);
    return image;
  }
};

std::optional<std::wstring> Parsed(const std::string& bytes) {
  const auto words = ParsePeFileVersion(bytes);
  if (!words) return std::nullopt;
  return FormatFileVersion(words->ms, words->ls);
}

TEST(PeVersionReader, ReadsTheFixedFileVersion) {
  EXPECT_EQ(Parsed(PeImage::Build(true, 0x00010002u, 0x00039C40u).bytes), std::optional<std::wstring>(L"1.2.3.40000"));
  EXPECT_EQ(Parsed(PeImage::Build(false, 0x00060001u, 0x1DB1446Au).bytes),
            std::optional<std::wstring>(L"6.1.7601.17514"));
}

TEST(PeVersionReader, BrokenImagesGiveNothing) {
  struct Case {
    const char* name;
    std::size_t at;
    std::uint32_t value;
    std::size_t width;
  };
  const std::size_t info = 0x200 + 0x58;
  const Case cases[] = {
      {"no MZ", 0, 0x4D5A, 2},
      {"PE offset outside", 0x3C, 0x7FFFFFF0u, 4},
      {"no PE signature", 0x40, 0x00004551, 4},
      {"unknown optional magic", 0x58, 0x10C, 2},
      {"no resource directory", 0x58 + 112 + 16, 0, 4},
      {"resource RVA in no section", 0x58 + 112 + 16, 0x9000, 4},
      {"only a string table", 0x200 + 16, 6, 4},
      {"type entry is no directory", 0x200 + 20, 0x18, 4},
      {"language entry is a directory", 0x200 + 0x30 + 20, 0x80000048u, 4},
      {"data size past the end", 0x200 + 0x48 + 4, 0x10000, 4},
      {"data RVA outside", 0x200 + 0x48, 0x5000, 4},
      {"no fixed part", info + 2, 0, 2},
      {"bad fixed signature", info + 40, 0xFEEF04BEu, 4},
      {"named entries run past the end", 0x200 + 12, 0xFFFF, 2},
  };
  for (const auto& c : cases) {
    auto image = PeImage::Build(true, 0x00010002u, 0x00039C40u);
    image.Put(c.at, c.value, c.width);
    EXPECT_EQ(Parsed(image.bytes), std::nullopt) << c.name;
  }
}

TEST(PeVersionReader, EveryTruncationGivesNothing) {
  const auto full = PeImage::Build(true, 0x00010002u, 0x00039C40u).bytes;
  const std::size_t needed = 0x200 + 0x58 + 92;  // through the whole version block
  for (std::size_t length = 0; length < needed; ++length) {
    EXPECT_EQ(Parsed(full.substr(0, length)), std::nullopt) << length;
  }
  EXPECT_TRUE(Parsed(full.substr(0, needed)).has_value());
}

#ifndef _WIN32
// The native build's own reader; the system's reader is checked against real files below.
TEST(FileVersion, ReadsAVersionedFileFromDisk) {
  const test::TempDir dir;
  test::WriteBytes(dir / "tool.exe", PeImage::Build(true, 0x00010002u, 0x00039C40u).bytes);
  auto path = (dir / "tool.exe").wstring();
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  EXPECT_EQ(GetFileVersion(path), L"1.2.3.40000");
}
#else
// The image reader and the system's version services agree on real system files,
// including those without version information.
TEST(PeVersionReader, AgreesWithTheSystemReader) {
  const auto windows = SpecialFolderPath(kCsidlWindows);
  ASSERT_TRUE(ReadFileVersionWords(windows + L"explorer.exe"));
  int compared = 0;
  for (const auto* name : {L"explorer.exe", L"notepad.exe", L"regedit.exe", L"winhlp32.exe"}) {
    const auto path = windows + name;
    if (!FileExists(path)) continue;
    const auto system = ReadFileVersionWords(path);
    const auto parsed = ParsePeFileVersion(test::ReadBytes(std::filesystem::path(path)));
    ASSERT_EQ(parsed.has_value(), system.has_value()) << path;
    ++compared;
    if (!system) continue;
    EXPECT_EQ(parsed->ms, system->ms) << path;
    EXPECT_EQ(parsed->ls, system->ls) << path;
  }
  EXPECT_GE(compared, 2);
}
#endif

}  // namespace
}  // namespace notify
