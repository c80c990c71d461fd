#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/file_version.h"

namespace notify {
namespace {

constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::size_t kFixedInfoSize = 52;

// Little-endian reads that never step outside the image.
class Image {
 public:
  explicit Image(std::string_view bytes) : bytes_(bytes) {}

  std::optional<std::uint32_t> Read(std::size_t offset, std::size_t width) const {
    if (offset > bytes_.size() || width > bytes_.size() - offset) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes_[offset + i]);
    return value;
  }
  std::optional<std::uint32_t> U16(std::size_t offset) const { return Read(offset, 2); }
  std::optional<std::uint32_t> U32(std::size_t offset) const { return Read(offset, 4); }
  std::size_t size() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
};

struct Section {
  std::uint32_t virtualAddress = 0, virtualSize = 0, rawSize = 0, rawOffset = 0;
};

class PeReader {
 public:
  explicit PeReader(std::string_view bytes) : image_(bytes) {}

  std::optional<FileVersionWords> FileVersion() {
    if (!ReadHeaders()) return std::nullopt;
    const auto data = VersionData();
    if (!data) return std::nullopt;
    return FixedInfo(*data);
  }

 private:
  bool ReadHeaders() {
    if (image_.U16(0) != 0x5A4Du) return false;  // "MZ"
    const auto pe = image_.U32(0x3C);
    if (!pe || image_.U32(*pe) != 0x00004550u) return false;  // "PE\0\0"
    const std::size_t coff = *pe + 4;
    const auto sectionCount = image_.U16(coff + 2);
    const auto optionalSize = image_.U16(coff + 16);
    if (!sectionCount || !optionalSize) return false;
    const std::size_t optional = coff + 20;
    const auto magic = image_.U16(optional);
    if (magic != 0x10Bu && magic != 0x20Bu) return false;
    const std::size_t directories = optional + (magic == 0x20Bu ? 112 : 96);
    const auto directoryCount = image_.U32(directories - 4);
    if (!directoryCount || *directoryCount <= kResourceDirectoryIndex) return false;
    const auto resourceRva = image_.U32(directories + 8 * kResourceDirectoryIndex);
    if (!resourceRva || *resourceRva == 0) return false;
    sectionTable_ = optional + *optionalSize;
    sectionCount_ = *sectionCount;
    const auto root = FileOffset(*resourceRva);
    if (!root) return false;
    resourceRoot_ = *root;
    return true;
  }

  std::optional<Section> SectionAt(std::size_t index) const {
    const std::size_t entry = sectionTable_ + 40 * index;
    const auto virtualSize = image_.U32(entry + 8), virtualAddress = image_.U32(entry + 12);
    const auto rawSize = image_.U32(entry + 16), rawOffset = image_.U32(entry + 20);
    if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return std::nullopt;
    return Section{*virtualAddress, *virtualSize, *rawSize, *rawOffset};
  }

  std::optional<std::size_t> FileOffset(std::uint32_t rva) const {
    for (std::size_t i = 0; i < sectionCount_; ++i) {
      const auto section = SectionAt(i);
      if (!section) return std::nullopt;
      const std::uint64_t extent = section->virtualSize > section->rawSize ? section->virtualSize : section->rawSize;
      if (rva < section->virtualAddress || rva - section->virtualAddress >= extent) continue;
      const std::uint64_t offset = std::uint64_t{section->rawOffset} + (rva - section->virtualAddress);
      if (offset >= image_.size()) return std::nullopt;
      return static_cast<std::size_t>(offset);
    }
    return std::nullopt;
  }

  // The entry of a resource directory with the wanted id, or its first entry.
  std::optional<std::uint32_t> DirectoryEntry(std::size_t directory, std::optional<std::uint32_t> wantedId) const {
    const auto named = image_.U16(directory + 12), ids = image_.U16(directory + 14);
    if (!named || !ids) return std::nullopt;
    const std::size_t total = *named + *ids;
    for (std::size_t i = 0; i < total; ++i) {
      const std::size_t entry = directory + 16 + 8 * i;
      const auto name = image_.U32(entry), target = image_.U32(entry + 4);
      if (!name || !target) return std::nullopt;
      const bool isId = i >= *named;
      if (!wantedId || (isId && *name == *wantedId)) return *target;
    }
    return std::nullopt;
  }

  std::optional<std::size_t> Subdirectory(std::optional<std::uint32_t> target) const {
    if (!target || (*target & kSubdirectoryFlag) == 0) return std::nullopt;
    return resourceRoot_ + (*target & ~kSubdirectoryFlag);
  }

  struct Span {
    std::size_t offset, size;
  };

  // Type RT_VERSION, then the first name, then the first language.
  std::optional<Span> VersionData() const {
    const auto names = Subdirectory(DirectoryEntry(resourceRoot_, kVersionResourceType));
    if (!names) return std::nullopt;
    const auto languages = Subdirectory(DirectoryEntry(*names, std::nullopt));
    if (!languages) return std::nullopt;
    const auto leaf = DirectoryEntry(*languages, std::nullopt);
    if (!leaf || (*leaf & kSubdirectoryFlag) != 0) return std::nullopt;
    const std::size_t dataEntry = resourceRoot_ + *leaf;
    const auto rva = image_.U32(dataEntry), size = image_.U32(dataEntry + 4);
    if (!rva || !size) return std::nullopt;
    const auto offset = FileOffset(*rva);
    if (!offset || *size > image_.size() - *offset) return std::nullopt;
    return Span{*offset, *size};
  }

  // VS_VERSIONINFO: three 16-bit words, the key "VS_VERSION_INFO", padding to 32 bits,
  // then the fixed part.
  std::optional<FileVersionWords> FixedInfo(Span data) const {
    const auto valueLength = image_.U16(data.offset + 2);
    if (!valueLength || *valueLength < kFixedInfoSize) return std::nullopt;
    const std::size_t keyEnd = 6 + 2 * 16;
    const std::size_t fixed = (keyEnd + 3) & ~std::size_t{3};
    if (data.size < fixed + kFixedInfoSize) return std::nullopt;
    const std::size_t at = data.offset + fixed;
    if (image_.U32(at) != kFixedInfoSignature) return std::nullopt;
    const auto ms = image_.U32(at + 8), ls = image_.U32(at + 12);
    if (!ms || !ls) return std::nullopt;
    return FileVersionWords{*ms, *ls};
  }

  Image image_;
  std::size_t sectionTable_ = 0;
  std::size_t sectionCount_ = 0;
  std::size_t resourceRoot_ = 0;
};

}  // namespace

std::optional<FileVersionWords> ParsePeFileVersion(std::string_view image) { return PeReader(image).FileVersion(); }

}  // namespace notify
