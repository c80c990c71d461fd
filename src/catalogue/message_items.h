#pragma once
// The items of a Message, one row each: where the item sits, whether it must be there, how
// its text converts and which record field it fills. The selection reads every item
// through MessageReader, so what an observer is told names the item that was being read.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "catalogue/conversions.h"
#include "catalogue/msg_record.h"
#include "catalogue/selection_observer.h"
#include "platform/xml/dom.h"

namespace notify {

// Converts the item's text (as written, untrimmed) into its field; throws on a bad value.
// Dates are read as the Limit is.
using FillItem = void (*)(MsgRecord& record, const std::wstring& text, const DateParser& dates);

// When an item is read: the ones that decide are read one by one, each only when the one
// before let the message through; Start right after the Limit; the audience's after the ID;
// the others fill the record of a message that shows.
enum class ItemPhase { Decides, Start, Audience, Shown };

struct ItemRow {
  CatalogueItem item;
  ItemPhase phase = ItemPhase::Shown;
  bool required = true;     // absent: the run fails; otherwise the field keeps its default
  FillItem fill = nullptr;  // nothing: the selection reads the text itself
  bool path = false;        // a local path with macros (a web address is left as written)
};

// Every item, in reading order.
std::span<const ItemRow> MessageItems();
// The rows that decide.
extern const ItemRow& kLimitItem;
extern const ItemRow& kCheckItem;
extern const ItemRow& kIdItem;

// Reads one Message's items. The row last read stays the one a failure is blamed on, its
// conversion included.
class MessageReader {
 public:
  MessageReader(xml::DomNode message, const DateParser& dates, SelectionObserver* observer, std::int32_t index)
      : message_(std::move(message)), dates_(dates), observer_(observer), index_(index) {}

  // The item's text as written, told to the observer; nothing when an optional item is
  // absent. A required item that is absent throws.
  std::optional<std::wstring> Text(const ItemRow& row);
  // Reads every item of the phase that fills a field into the record, in table order.
  void Fill(MsgRecord& record, ItemPhase phase);
  // Tells the observer that the row last read failed the run, and how.
  void ReportFailure(const std::string& cause) const noexcept;
  // The trimmed ID, empty when it cannot be read: for telling an observer.
  std::wstring IdForObserver() const;

 private:
  xml::DomNode Owner(const CatalogueItem& item);
  xml::DomNode message_;
  const DateParser& dates_;
  SelectionObserver* observer_;
  std::int32_t index_;
  std::optional<std::vector<std::pair<std::wstring, xml::DomNode>>> children_;
  const ItemRow* current_ = nullptr;
};

}  // namespace notify
