// The selection with the program's own environment under Wine: the real application-data
// folder, the real clock and the system's date parser, MSXML documents.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "catalogue/selection.h"
#include "catalogue/cache.h"
#include "platform/handles_win.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "test_support.h"

namespace notify {
namespace {

std::wstring ShellAppData() {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buffer))) return L"";
  return AddTrailingBackslash(buffer);
}

std::wstring IsoDate(const SYSTEMTIME& t) {
  wchar_t text[16] = {};
  swprintf(text, 16, L"%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
  return text;
}

std::wstring Message(const std::wstring& id, const std::wstring& limit) {
  return L"<Message ID=\"" + id + L"\" Limit=\"" + limit +
         L"\" Style=\"S\" AutoShut=\"0\"><Check/><Uri/><Logo/><Sound/>"
         L"<Form Color=\"\" Width=\"300\" Height=\"200\" Round=\"\" Shadow=\"\"/><Title Color=\"\">T</Title>"
         L"<Content Color=\"\">C</Content><Author Color=\"\"/><Date Color=\"\"/>"
         L"<BtnCls Color=\"\" PColor=\"\" Width=\"20\" Height=\"20\">X</BtnCls>"
         L"<BtnCfm Color=\"\" PColor=\"\" Width=\"60\" Height=\"20\">OK</BtnCfm></Message>";
}

class SystemSelection : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = ProgramFolder();
    SetProgramFolder(scratch.text());
    appId_ = L"NotifyTest.Catalogue.Run" + std::to_wstring(GetCurrentProcessId());
    auto backend = xml::CreateDomBackend(L"MSXML2.DOMDocument");
    ASSERT_NE(backend, nullptr);
    doc = std::make_unique<xml::DomDocument>(std::move(backend));
  }
  void TearDown() override {
    SetProgramFolder(saved_);
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(ShellAppData()) / L"Korvane" / L"NotifyTest", ec);
  }

  win::CoUninitializeOwner com;
  test::TempDir scratch;
  std::unique_ptr<xml::DomDocument> doc;
  std::wstring appId_;

 private:
  std::wstring saved_;
};

TEST_F(SystemSelection, RealFolderClockAndDateParserDecideWhatIsShown) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  FILETIME file{};
  ASSERT_TRUE(SystemTimeToFileTime(&now, &file));
  ULARGE_INTEGER value{};
  value.LowPart = file.dwLowDateTime;
  value.HighPart = file.dwHighDateTime;
  value.QuadPart -= 2ull * 24 * 3600 * 10000000;  // two days back: clear of midnight
  file.dwLowDateTime = value.LowPart;
  file.dwHighDateTime = value.HighPart;
  SYSTEMTIME past{};
  ASSERT_TRUE(FileTimeToSystemTime(&file, &past));

  const std::wstring catalogue = L"<Catalog AppID=\"" + appId_ + L"\">" + Message(L"today", IsoDate(now)) +
                                 Message(L"past", IsoDate(past)) + Message(L"named", L"Jan 1, 2001") + L"</Catalog>";
  test::WriteBytes(scratch / "Message.xml", ToUtf8(catalogue));

  const SelectionEnvironment env = DefaultSelectionEnvironment();
  EXPECT_EQ(env.AppDataFolder, ShellAppData());
  CatalogueState state;
  ASSERT_TRUE(SelectMessages(doc.get(), state, env));
  EXPECT_EQ(state.CachePath, ShellAppData() + L"Korvane\\NotifyTest\\Catalogue\\Run" +
                                 std::to_wstring(GetCurrentProcessId()) + L"\\MessageCache.xml");
  EXPECT_EQ(GetFileAttributesW(state.CachePath.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ASSERT_EQ(state.Messages.size(), 4u);
  EXPECT_EQ(state.Messages[0].ID, L"today");
  EXPECT_EQ(state.Messages[1].ID, L"named");
  EXPECT_TRUE(state.Messages[2].IsEmpty());

  RecordSeenId(doc.get(), state.CachePath, state.Messages[0]);
  EXPECT_TRUE(state.Messages[0].Recorded);
  CatalogueState again;
  ASSERT_TRUE(SelectMessages(doc.get(), again, env));
  EXPECT_EQ(again.SeenIds, (std::vector<std::wstring>{L"today", L""}));
  EXPECT_EQ(again.Messages[0].ID, L"named");
}

}  // namespace
}  // namespace notify
