#include "app/show_loop.h"

#include <exception>
#include <utility>

#include "catalogue/published.h"
#include "platform/text.h"

namespace notify {

ShowLoop::ShowLoop(ShowLoopHost& host, Desk& desk, std::vector<MsgRecord>& messages, std::wstring programFolder,
                   bool defer)
    : host_(host), desk_(desk), messages_(messages), programFolder_(std::move(programFolder)), defer_(defer) {}

void ShowLoop::PrepareFirst() {
  if (CatalogueCount() == 0 || messages_[0].ID.empty()) return;
  // The whole first look is made on the hidden popup while the timer runs, so that its
  // tick only has to show it.
  Dress(messages_[0]);
  preparedScreen_ = desk_.ScreenInUse();
  host_.PlacePopup(preparedScreen_);
  firstPrepared_ = true;
}

void ShowLoop::Dress(const MsgRecord& record) {
  // Hidden before the new look is laid out, so no strip ever frames a message without shadow.
  if (shadowApplied_ && !record.Shadow) host_.ShowShadow(false);
  if (!EqualsNoCase(record.Style, lastStyle_)) {
    host_.LoadSkinStyle(record);
    lastStyle_ = record.Style;  // remembered whether or not the load succeeded
  }
  host_.LoadLogo(record);
  host_.LayoutPopup(record);
  const std::int16_t corner = record.Round ? 5 : 0;
  host_.SetRoundedRegion(corner, corner);
  if (record.Shadow && !shadowApplied_) {
    shadowApplied_ = true;  // set before the call: a failed attach is not retried
    host_.ApplyShadow();
  } else if (record.Shadow) {
    host_.ShowShadow(true);
  }
}

void ShowLoop::RunShowLoop() {
  try {
    for (std::size_t i = 0;; ++i) {
      // Arrivals are taken between messages, so nothing is done before the first local one.
      if (i > 0) TakeArrivals(false);
      // Accepted records are packed from slot 0: the first empty one ends the queue.
      const auto queueDone = [&] { return i >= CatalogueCount() || messages_[i].ID.empty(); };
      if (queueDone() && (!TakeArrivals(true) || queueDone())) break;
      if (!ShowOne(i)) break;
    }
  } catch (const std::exception&) {
    // Fall through to the orderly end: a popup never stays up with no loop behind it.
  }
  host_.ReleaseAndExit();
}

bool ShowLoop::ShowOne(std::size_t index) {
  currentIndex_ = static_cast<std::int16_t>(index);
  if (defer_ && !WaitForGoodMoment()) return false;
  MsgRecord& record = messages_[index];
  const ui::MonitorArea screen = desk_.ScreenInUse();
  // The look made ahead stands while the popup would go to the same place; a screen that
  // changed since (another monitor, a moved taskbar) gets the whole look made again there.
  const bool prepared = std::exchange(firstPrepared_, false) && index == 0 && screen == preparedScreen_;
  if (!prepared) {
    Dress(record);
    host_.PlacePopup(screen);
  }
  // Taken before the popup can be seen, so that a move toward it always counts.
  shownAt_ = desk_.PointerPosition();
  pointerMoved_ = false;
  host_.ShowForm();
  if (!record.Sound.empty()) {
    const auto sound = programFolder_ + L"Sound\\" + record.Sound;
    if (host_.FileExists(sound)) host_.PlaySoundFile(sound);
  }
  host_.RecordSeenId(record);
  WaitForClose(record);
  return true;
}

bool ShowLoop::TakeArrivals(bool wait) {
  const std::vector<MsgRecord> arrived = host_.ArrivedMessages(wait);
  return !arrived.empty() && AppendArrivals(messages_, arrived) > 0;
}

bool ShowLoop::WaitForGoodMoment() {
  bool hidden = false;
  while (desk_.Busy() || desk_.Away()) {
    if (!hidden) {
      host_.HideForm();  // the message before, done with, does not stand in for this one
      hidden = true;
    }
    const std::uint64_t before = desk_.Milliseconds();
    host_.DeferStep();
    deferredMs_ += desk_.Milliseconds() - before;
    if (deferredMs_ >= kDeferLimitMs) return false;
  }
  return true;
}

// A pointer left lying where the popup appeared is not someone reading it.
bool ShowLoop::CountdownPaused() {
  pointerMoved_ = pointerMoved_ || desk_.PointerPosition() != shownAt_;
  return (pointerMoved_ && desk_.PointerOverPopup()) || (defer_ && desk_.Away());
}

void ShowLoop::WaitForClose(const MsgRecord& record) {
  waitCounter_ = 0;
  if (record.AutoShut == 0) {
    while (waitCounter_ == 0) host_.WaitStep();  // only a button ends this wait
    return;
  }
  do {
    host_.WaitStep();
    if (!CountdownPaused()) ++waitCounter_;
  } while (waitCounter_ < record.AutoShut);
}

void ShowLoop::CmdCloseClick() {
  waitCounter_ = 1;
  for (std::size_t i = 0; i < CatalogueCount(); ++i) {
    if (!messages_[i].Recorded) {
      host_.HideForm();
      return;
    }
  }
  host_.ReleaseAndExit();
}

void ShowLoop::CmdConfirmClick() {
  const auto index = static_cast<std::size_t>(currentIndex_);
  if (index < messages_.size() && !messages_[index].Uri.empty()) host_.ShellOpen(messages_[index].Uri);
  CmdCloseClick();
}

}  // namespace notify
