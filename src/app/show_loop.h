#pragma once
// The popup's lifecycle: the show loop run by the first TmShut tick, and the two button
// handlers that run nested inside its one-second waits. The window, the platform and the
// cache are reached through ShowLoopHost, so the loop's rules are tested natively.
#include <cstdint>
#include <string>
#include <vector>

#include "app/desk.h"
#include "catalogue/msg_record.h"

namespace notify {

class ShowLoopHost {
 public:
  virtual ~ShowLoopHost() = default;
  virtual void LoadSkinStyle(const MsgRecord& record) = 0;
  // The record's logo, unless the form already shows that file; a missing file keeps the
  // logo on the form.
  virtual void LoadLogo(const MsgRecord& record) = 0;
  virtual void LayoutPopup(const MsgRecord& record) = 0;
  virtual void SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight) = 0;
  virtual void ApplyShadow() = 0;
  // Shows or hides the strips of the shadow attached by ApplyShadow.
  virtual void ShowShadow(bool show) = 0;
  virtual void PlacePopup(const ui::MonitorArea& screen) = 0;
  virtual void ShowForm() = 0;
  virtual void HideForm() = 0;
  virtual bool FileExists(const std::wstring& path) = 0;
  virtual void PlaySoundFile(const std::wstring& path) = 0;
  virtual void RecordSeenId(MsgRecord& record) = 0;
  // One one-second wait during which window messages, and so the button handlers, run.
  virtual void WaitStep() = 0;
  // One wait of kDeferCheckMs while a message is deferred, dispatching window messages.
  virtual void DeferStep() = 0;
  virtual void ShellOpen(const std::wstring& target) = 0;
  // Records that arrived during the run (a published catalogue's), to join the end of the
  // queue. With `wait` the queue is done: a fetch under way is waited for, bounded.
  virtual std::vector<MsgRecord> ArrivedMessages(bool wait) {
    (void)wait;
    return {};
  }
  // Ends the process; in the product it never returns.
  virtual void ReleaseAndExit() = 0;
};

class ShowLoop {
 public:
  // `messages` has one slot more than the catalogue has Message elements. With `defer`
  // off (the catalogue's choice) messages show at once and count down unwatched.
  ShowLoop(ShowLoopHost& host, Desk& desk, std::vector<MsgRecord>& messages, std::wstring programFolder,
           bool defer = true);

  // Makes the first message's whole look (skin, layout, region, shadow, place) on the
  // hidden popup ahead of the show, which then only shows it.
  void PrepareFirst();
  void RunShowLoop();
  void CmdCloseClick();
  void CmdConfirmClick();

  std::int16_t CurrentIndex() const { return currentIndex_; }
  std::int16_t WaitCounter() const { return waitCounter_; }
  bool ShadowApplied() const { return shadowApplied_; }

 private:
  // False when the message was deferred to the limit: the run ends without it.
  bool ShowOne(std::size_t index);
  // Skin, logo, layout, region and shadow of `record` on the popup, shown or not.
  void Dress(const MsgRecord& record);
  bool WaitForGoodMoment();
  void WaitForClose(const MsgRecord& record);
  bool CountdownPaused();
  // Adds the host's arrivals to the queue; true when any was added.
  bool TakeArrivals(bool wait);
  std::size_t CatalogueCount() const { return messages_.empty() ? 0 : messages_.size() - 1; }

  ShowLoopHost& host_;
  Desk& desk_;
  std::vector<MsgRecord>& messages_;
  std::wstring programFolder_;
  bool defer_ = true;
  std::uint64_t deferredMs_ = 0;  // all deferral of this run
  std::int16_t currentIndex_ = 0;
  std::int16_t waitCounter_ = 0;
  bool shadowApplied_ = false;
  bool firstPrepared_ = false;        // the first message's look is made and placed ahead
  ui::MonitorArea preparedScreen_;    // ... on this screen
  std::wstring lastStyle_;  // the skin style loaded last, whether or not the load succeeded
  Point shownAt_;  // the pointer when the current popup appeared
  bool pointerMoved_ = false;     // ... and whether it has moved since
};

}  // namespace notify
