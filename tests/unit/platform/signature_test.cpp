#include "platform/signature.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "catalogue/published.h"
#include "platform/text.h"
#include "test_support.h"

namespace notify::test {
namespace {

// The folder the CTest fixture fills with keys and signatures made for this run.
std::filesystem::path KeyFolder() {
  const char* folder = std::getenv("NOTIFY_TEST_KEYS");
  if (folder == nullptr) return {};
#ifdef _WIN32
  return std::filesystem::path(std::string("Z:") + folder).make_preferred();
#else
  return folder;
#endif
}

class Signatures : public testing::Test {
 protected:
  void SetUp() override {
    if (KeyFolder().empty()) GTEST_SKIP() << "NOTIFY_TEST_KEYS is set by ctest's signature_keys fixture";
  }
  static std::string File(const std::string& name) { return ReadBytes(KeyFolder() / name); }
  static std::string Key(const std::string& name) { return *DecodeBase64(File(name + ".pub")); }
};

struct VerifyCase {
  const char* name;
  int flipByte;               // -1: the data as signed
  const char* signatureFile;  // "": an empty signature
  int cutSignature;           // bytes taken off the signature's end; -1: one byte added
  std::vector<const char*> keys;
  bool verifies;
};

class SignatureTable : public Signatures, public testing::WithParamInterface<VerifyCase> {};

TEST_P(SignatureTable, OnlyTheExactBytesSignedByAGivenKeyVerify) {
  const auto& c = GetParam();
  std::string data = File("data.bin");
  if (c.flipByte >= 0) data[static_cast<std::size_t>(c.flipByte)] ^= 0x01;
  std::string signature = *c.signatureFile ? File(c.signatureFile) : "";
  if (c.cutSignature > 0) signature.resize(signature.size() - static_cast<std::size_t>(c.cutSignature));
  if (c.cutSignature < 0) signature += '\0';
  std::vector<std::string> keys;
  for (const char* key : c.keys) keys.push_back(Key(key));
  EXPECT_EQ(VerifyWithAnyKey(data, signature, keys), c.verifies);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SignatureTable,
    testing::Values(VerifyCase{"good", -1, "one.sig", 0, {"one"}, true},
                    VerifyCase{"tampered_byte", 40, "one.sig", 0, {"one"}, false},
                    VerifyCase{"other_key", -1, "one.sig", 0, {"two"}, false},
                    VerifyCase{"truncated", -1, "one.sig", 1, {"one"}, false},
                    VerifyCase{"half", -1, "one.sig", 30, {"one"}, false},
                    VerifyCase{"byte_after", -1, "one.sig", -1, {"one"}, false},
                    VerifyCase{"empty", -1, "", 0, {"one"}, false},
                    VerifyCase{"no_key", -1, "one.sig", 0, {}, false},
                    VerifyCase{"second_key_verifies", -1, "two.sig", 0, {"one", "two"}, true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Signatures, SourceKeyKeepsOnlyP256KeysAndASourceNeedsOne) {
  const std::wstring one = FromUtf8(File("one.pub")), two = FromUtf8(File("two.pub"));
  const std::wstring p384 = FromUtf8(File("p384.pub"));
  EXPECT_EQ(UsableKeys(L" " + one + L"\r\n\t" + two + L" "), (std::vector<std::string>{Key("one"), Key("two")}));
  EXPECT_EQ(UsableKeys(p384 + L" " + one), std::vector<std::string>{Key("one")});
  EXPECT_TRUE(UsableKeys(p384 + L" @@@@ " + one.substr(1)).empty());
  const std::wstring url = L"https://example.com/Message.xml";
  EXPECT_TRUE(ReadPublishedSource(url, one, std::nullopt).Enabled());
  EXPECT_EQ(ReadPublishedSource(url, one, std::nullopt).EveryHours, 24u);
  EXPECT_EQ(ReadPublishedSource(url, one, L" 0 ").EveryHours, 0u);
  EXPECT_EQ(ReadPublishedSource(url, one, L"-3").EveryHours, 24u);
  EXPECT_FALSE(ReadPublishedSource(url, p384, L"1").Enabled());
  EXPECT_FALSE(ReadPublishedSource(L"http://example.com/m", one, L"1").Enabled());
  EXPECT_FALSE(ReadPublishedSource(std::nullopt, one, L"1").Enabled());
}

TEST(Base64, StrictAlphabetPaddingAndUnusedBits) {
  EXPECT_EQ(DecodeBase64("TWFu"), "Man");
  EXPECT_EQ(DecodeBase64("TWE="), "Ma");
  EXPECT_EQ(DecodeBase64("TQ=="), "M");
  for (const char* bad : {"", "TQ=", "T@==", "TR==", "TWFu\n", "=TWF"}) EXPECT_EQ(DecodeBase64(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace notify::test
