// Runs what the show loop runs for one message (skin, layout, region, place, show) on a
// fixture record, in front of a full-screen backdrop, writes where everything landed to
// "layout.txt" in its own folder, and ends when a file "quit" appears there.
//
//   popup_layout_host.exe <style> <logo> <round: 0|1>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/handles_win.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui/form_win.h"
#include "platform/ui/screen_win.h"
#include "platform/ui/timer_win.h"
#include "platform/xml/dom_backend.h"
#include "presentation/placement.h"
#include "presentation/popup_view_win.h"

namespace {

using namespace notify;

constexpr std::int32_t kBackdrop = 0x00402010;  // RGB(16, 32, 64)

MsgRecord FixtureRecord(const std::wstring& style, const std::wstring& logo, bool round) {
  MsgRecord r;
  r.ID = L"layout-1";
  r.Style = style;
  r.Logo = logo;
  r.Title = L"Layout";
  r.TitleColor = 0x00000000;
  r.Content = L"Hi";
  r.ContentColor = 0x00000000;
  r.BtnCls = L"X";
  r.BtnClsWidth = 31;
  r.BtnClsHeight = 21;
  r.BtnCfm = L"OK";
  r.BtnCfmWidth = 77;
  r.BtnCfmHeight = 27;
  r.FormColor = 0x00D0E0F0;  // RGB(240, 224, 208)
  r.FormWidth = 300 * 15;
  r.FormHeight = 200 * 15;
  r.Round = round;
  return r;
}

std::string Line(const char* name, const Rect& r, bool visible) {
  return std::string(name) + " " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.width) + " " + std::to_string(r.height) + " " + (visible ? "1" : "0") + "\n";
}

void WriteReport(PopupView& view, const std::wstring& folder) {
  RECT w{};
  ::GetWindowRect(view.Handle(), &w);
  std::string text = "window " + std::to_string(w.left) + " " + std::to_string(w.top) + " " +
                     std::to_string(w.right - w.left) + " " + std::to_string(w.bottom - w.top) + " 1\n";
  text += Line("Lbl_Title", view.Lbl_Title().Bounds(), view.Lbl_Title().Visible());
  text += Line("Lbl_Content", view.Lbl_Content().Bounds(), view.Lbl_Content().Visible());
  text += Line("Cmd_Close", view.Cmd_Close().Bounds(), view.Cmd_Close().Visible());
  text += Line("Cmd_Confirm", view.Cmd_Confirm().Bounds(), view.Cmd_Confirm().Visible());
  text += Line("ImgIcon", view.Image(PopupImage::Icon).Bounds(), view.Image(PopupImage::Icon).Visible());
  text += Line("ImgLogo", view.Image(PopupImage::Logo).Bounds(), view.Image(PopupImage::Logo).Visible());
  // Written under another name first, so the test never reads half a report.
  const std::wstring part = folder + L"layout.part";
  {
    std::ofstream out(std::filesystem::path(part), std::ios::binary | std::ios::trunc);
    out << text;
  }
  ::MoveFileExW(part.c_str(), (folder + L"layout.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
}

int Run(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  SetProgramFolder(ExecutableFolder());
  win::CoUninitializeOwner com;
  auto backend = xml::CreateDomBackend(L"MSXML2.DOMDocument");
  if (!backend) return 3;
  xml::DomDocument document(std::move(backend));

  ui::Form backdrop;
  const ui::ScreenMetrics screen = ui::QueryScreenMetrics();
  backdrop.MoveTwips(0, 0, screen.widthTwips, screen.heightTwips);
  backdrop.BackColor(kBackdrop);
  backdrop.Show();

  PopupView view;
  const MsgRecord record = FixtureRecord(argv[1], argv[2], std::wstring(argv[3]) == L"1");
  view.LoadSkinStyle(record, &document);
  view.LayoutPopup(record);
  view.SetRoundedRegion(record.Round ? kRoundCornerPixels : 0, record.Round ? kRoundCornerPixels : 0);
  view.PlacePopup();
  view.Show();
  ::UpdateWindow(view.Handle());

  const std::wstring folder = ProgramFolder();
  int polls = 0;
  bool reported = false;
  ui::Timer poll(view.Form(), [&] {
    if (!reported) {
      WriteReport(view, folder);
      reported = true;
    }
    // Ends on request, or after a minute at the latest.
    if (FileExists(folder + L"quit") || ++polls > 600) ::PostQuitMessage(0);
  });
  poll.Interval(100);
  poll.Enabled(true);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "popup_layout_host: %s\n", e.what());
    return 1;
  }
}
