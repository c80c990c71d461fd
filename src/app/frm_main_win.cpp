#include "app/frm_main_win.h"

#include <mmsystem.h>

#include <algorithm>
#include <ctime>

#include "app/desk_win.h"
#include "catalogue/cache.h"
#include "platform/file_version.h"
#include "platform/web_fetch.h"
#include "platform/error.h"
#include "platform/message_pump_win.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system_library_win.h"

namespace notify {

namespace {

constexpr UINT_PTR kTmShut = 1;
constexpr UINT kTmShutIntervalMs = 1000;
// The show loop waits in steps of one second: WaitUntil with two equal constants.
constexpr std::int32_t kWaitStepMs = 1000;
constexpr int kOneStep = 0;
constexpr std::int32_t kFetchWaitStepMs = 100;

FrmMain* theForm = nullptr;  // the one form; timer callbacks have no other way to it

}  // namespace

void FrmMain::Form_Load() noexcept {
  theForm = this;
  try {
    SetProgramFolder(AddTrailingBackslash(ExecutableFolder()));
    MarkCompatibilityPersisted();
    xml::CreateXmlObject(L"DOM");
    // The popup and its services only once there is something to show: a run with nothing
    // to show ends without paying for them.
    if (!SelectMessages(xml_.XmlDocument.get(), catalogue_, DefaultSelectionEnvironment())) ReleaseAndExit();
    StartPublication();
    CreateDelayObject(DelayObject);
    CreateShadowObject();
    form_ = CreatePopupWindow();
    form_->OnClick([this] { Guarded(&ShowLoop::CmdCloseClick); }, [this] { Guarded(&ShowLoop::CmdConfirmClick); });
    // Log-off or shutdown: end in order now; what was shown is already in the cache.
    form_->OnEndSession([this] { ReleaseAndExit(); });
    desk_ = CreateWinDesk(form_->Handle());
    loop_ = std::make_unique<ShowLoop>(*this, *desk_, catalogue_.Messages, ProgramFolder(), catalogue_.Defer);
    form_->Hide();
    if (::SetTimer(form_->Handle(), kTmShut, kTmShutIntervalMs, &FrmMain::TmShutProc) == 0) ReleaseAndExit();
    // The first message's skin pictures and logo are decoded while the timer runs, not
    // between its tick and the popup.
    loop_->PrepareFirst();
  } catch (...) {
    // A step without a trap of its own failed: end in order rather than linger hidden.
    ReleaseAndExit();
  }
}

void CALLBACK FrmMain::TmShutProc(HWND, UINT, UINT_PTR, DWORD) noexcept {
  if (theForm != nullptr) theForm->TmShut_Timer();
}

void FrmMain::TmShut_Timer() noexcept {
  ::KillTimer(form_->Handle(), kTmShut);  // fires exactly once per run
  ::OutputDebugStringW(L"Notify: TmShut tick");  // seen only by a debugger; the benchmark reads it
  try {
    loop_->RunShowLoop();
  } catch (...) {
  }
  ReleaseAndExit();
}

void FrmMain::Guarded(void (ShowLoop::*handler)()) noexcept {
  if (!loop_) return;
  try {
    ((*loop_).*handler)();
  } catch (...) {
    // A popup must never stay on screen with no loop behind it.
    ReleaseAndExit();
  }
}

void FrmMain::ReleaseAndExit() noexcept {
  xml::ReleaseXmlObjects(xml_);
  ReleaseShadowObject();
  ReleaseDelayObject(DelayObject);
  ExitProgram();
}

void FrmMain::ExitProgram() noexcept {
  TrapVoid([this] {
    if (form_) form_->Unload();
  });
  DispatchPendingMessages();
  // Ends here even when called from a click inside a wait: the wait never resumes.
  ::ExitProcess(0);
}

void FrmMain::CreateShadowObject() {
  if (!ShadowObject) ShadowObject = std::make_unique<CL10>();
}

void FrmMain::ReleaseShadowObject() noexcept { TrapVoid([this] { ShadowObject.reset(); }); }

void FrmMain::LoadSkinStyle(const MsgRecord& record) { form_->LoadSkinStyle(record, xml_.XmlDocument.get()); }

void FrmMain::LoadLogo(const MsgRecord& record) { form_->LoadLogo(record); }

void FrmMain::LayoutPopup(const MsgRecord& record) { form_->LayoutPopup(record); }

void FrmMain::SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight) {
  form_->SetRoundedRegion(ellipseWidth, ellipseHeight);
}

void FrmMain::ApplyShadow() {
  if (ShadowObject) notify::ApplyShadow(form_->Handle(), *ShadowObject, [this] { return form_->Dpi(); });
}

void FrmMain::ShowShadow(bool show) {
  if (ShadowObject) ShadowObject->ShowStrips(show);
}

void FrmMain::PlacePopup(const ui::MonitorArea& screen) { form_->PlacePopup(screen); }

void FrmMain::ShowForm() {
  form_->Show();
  ::UpdateWindow(form_->Handle());
  form_->Announce();
  ::OutputDebugStringW(L"Notify: popup shown");
}

void FrmMain::HideForm() { form_->Hide(); }

bool FrmMain::FileExists(const std::wstring& path) { return notify::FileExists(path); }

void FrmMain::PlaySoundFile(const std::wstring& path) {
  // Wide path, so a sound in a folder outside the ANSI code page still plays; no default
  // beep when the file cannot be played, since failures are never reported.
  static const auto playSound = win::SystemFunction<decltype(&::PlaySoundW)>(L"winmm.dll", "PlaySoundW");
  if (playSound != nullptr) (void)playSound(path.c_str(), nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT);
}

void FrmMain::RecordSeenId(MsgRecord& record) {
  notify::RecordSeenId(xml_.XmlDocument.get(), catalogue_.CachePath, record);
  // Only a catalogue with MinHours keeps the time, so that others write nothing new.
  if (record.Recorded && catalogue_.RunPacing.minHours && xml_.XmlDocument) {
    RecordLastShown(*xml_.XmlDocument, catalogue_.CachePath, SecondsSince1970());
  }
  StartFetchOnce();
}

void FrmMain::WaitStep() { WaitUntil(DelayObject.get(), kWaitStepMs, kOneStep, kOneStep); }

void FrmMain::DeferStep() { WaitUntil(DelayObject.get(), kDeferCheckMs, kOneStep, kOneStep); }

void FrmMain::StartPublication() {
  PublicationSetup setup;
  setup.Source = ReadPublishedSource(catalogue_.Source, catalogue_.SourceKey, catalogue_.SourceEvery);
  if (!setup.Source.Enabled()) return;  // as without the attributes: nothing read, nothing written
  setup.AppId = catalogue_.AppId;
  setup.CachePath = catalogue_.CachePath;
  setup.ProgramFolder = ProgramFolder();
  setup.Environment = DefaultSelectionEnvironment();
  setup.UserAgent = L"Notify/" + GetFileVersion(ExecutablePath());
  setup.Now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
  setup.Fetch = &FetchUrl;
  publication_ = std::make_unique<Publication>(*xml_.XmlDocument, std::move(setup));
}

// The fetch's thread loads the network and TLS libraries, and the kept copy's signature is
// checked, only once the first local popup is up (or there is none): measured, starting
// them with the run put about 60 ms onto the first popup.
void FrmMain::StartFetchOnce() {
  if (!publication_ || fetchStarted_) return;
  fetchStarted_ = true;
  publication_->Start();
}

std::vector<MsgRecord> FrmMain::ArrivedMessages(bool wait) {
  if (!publication_) return {};
  StartFetchOnce();
  // The last message, done with, does not stay on screen while the fetch is waited for.
  if (wait && publication_->FetchUnderWay()) HideForm();
  // Short steps that dispatch window messages, so the popup's window stays answered.
  auto arrived = publication_->Arrived(wait, [this] { WaitUntil(DelayObject.get(), kFetchWaitStepMs, kOneStep, kOneStep); });
  // The catalogue's pacing counts the published messages too; those held back stay unseen
  // in the kept copy for a later run.
  const auto queued = std::count_if(catalogue_.Messages.begin(), catalogue_.Messages.end(),
                                    [](const MsgRecord& m) { return !m.ID.empty(); });
  arrived.resize(PacedCount(catalogue_.RunPacing, static_cast<std::int32_t>(queued), catalogue_.RunClock, arrived.size()));
  return arrived;
}

void FrmMain::ShellOpen(const std::wstring& target) { notify::ShellOpen(target, L"", kShowNormal); }

}  // namespace notify
