#pragma once
// FrmMain: the popup form and the whole run of the program. Its load handler does the
// start-up; the first TmShut tick runs the show loop; every way out ends in
// ReleaseAndExit and ExitProgram.
#include <windows.h>

#include <memory>

#include "app/popup_window_win.h"
#include "app/publication.h"
#include "app/show_loop.h"
#include "catalogue/selection.h"
#include "controls/shadow/cl10_win.h"
#include "platform/delay.h"
#include "platform/xml/xml_services.h"

namespace notify {

class FrmMain final : public ShowLoopHost {
 public:
  FrmMain() = default;
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;

  // The load handler. Returns with TmShut armed, or ends the process.
  void Form_Load() noexcept;

  [[noreturn]] void ReleaseAndExit() noexcept override;

 private:
  [[noreturn]] void ExitProgram() noexcept;
  void CreateShadowObject();
  void ReleaseShadowObject() noexcept;
  void TmShut_Timer() noexcept;
  // With an enabled Source: the kept copy and, when due, a fetch on its own thread.
  void StartPublication();
  void StartFetchOnce();
  void Guarded(void (ShowLoop::*handler)()) noexcept;
  static void CALLBACK TmShutProc(HWND window, UINT message, UINT_PTR id, DWORD time) noexcept;

  // ShowLoopHost
  void LoadSkinStyle(const MsgRecord& record) override;
  void LoadLogo(const MsgRecord& record) override;
  void LayoutPopup(const MsgRecord& record) override;
  void SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight) override;
  void ApplyShadow() override;
  void ShowShadow(bool show) override;
  void PlacePopup(const ui::MonitorArea& screen) override;
  void ShowForm() override;
  void HideForm() override;
  bool FileExists(const std::wstring& path) override;
  void PlaySoundFile(const std::wstring& path) override;
  void RecordSeenId(MsgRecord& record) override;
  void WaitStep() override;
  void DeferStep() override;
  void ShellOpen(const std::wstring& target) override;
  std::vector<MsgRecord> ArrivedMessages(bool wait) override;

  // The process-wide objects, released in this order: XML, shadow, delay.
  xml::XmlObjects& xml_ = xml::SharedXmlObjects();
  std::unique_ptr<CL10> ShadowObject;
  std::unique_ptr<CL02> DelayObject;

  std::unique_ptr<PopupWindow> form_;
  std::unique_ptr<Desk> desk_;
  CatalogueState catalogue_;
  std::unique_ptr<ShowLoop> loop_;
  std::unique_ptr<Publication> publication_;
  bool fetchStarted_ = false;
};

}  // namespace notify
