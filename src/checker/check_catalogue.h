#pragma once
// The catalogue's own findings: the run's stages, each message's decision, its values,
// duplicate IDs and the Defer note.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/selection.h"
#include "checker/check_part.h"

namespace notify::checker {

struct ValueFailure {
  std::int32_t index;
  std::wstring id;
  CatalogueItem item;
  ItemFault fault;
  std::wstring value;
  std::string cause;
};

struct StageFailure {
  RunStage stage;
  std::string cause;
  xml::LoadFailure load;  // the document's last load failure at that moment
};

class Collector final : public SelectionObserver {
 public:
  explicit Collector(const xml::DomDocument& document) : document_(document) {}

  void CatalogueRead(const std::wstring& rootAppId, const std::wstring& rootCachePath) override {
    read = true;
    appId = rootAppId;
    cachePath = rootCachePath;
  }
  void RunFailed(RunStage stage, const std::string& cause) override {
    stageFailures.push_back({stage, cause, document_.LastLoadFailure()});
  }
  void Decided(std::int32_t index, const std::wstring& id, MessageDecision decision,
               const std::wstring& detail) override {
    decisions[index] = {id, decision, detail};
  }
  void ItemRead(std::int32_t index, const CatalogueItem& item, const std::wstring& text) override {
    if (*item.child == L'\0') attributes[index][item.attribute] = text;
  }
  void ValueFailed(std::int32_t index, const std::wstring& id, const CatalogueItem& item, ItemFault fault,
                   const std::wstring& value, const std::string& cause) override {
    valueFailures.push_back({index, id, item, fault, value, cause});
  }
  void LimitRead(std::int32_t index, const std::wstring& limit) override { limits[index] = limit; }
  void PathExpanded(std::int32_t index, const CatalogueItem& item, const PathExpansion& expansion) override {
    paths.push_back({index, item, expansion});
  }

  struct Decided_ {
    std::wstring id;
    MessageDecision decision;
    std::wstring detail;
  };
  bool read = false;
  std::wstring appId;
  std::wstring cachePath;
  std::vector<StageFailure> stageFailures;
  std::map<std::int32_t, Decided_> decisions;
  std::vector<ValueFailure> valueFailures;
  // The attributes read, by message (-1: the root).
  std::map<std::int32_t, std::map<std::wstring, std::wstring>> attributes;
  std::map<std::int32_t, std::wstring> limits;
  struct Path {
    std::int32_t index;
    CatalogueItem item;
    PathExpansion expansion;
  };
  std::vector<Path> paths;

 private:
  const xml::DomDocument& document_;
};

// The selection's rules as the checker applies them: its day, date reader and cache, read only.
SelectionEnvironment CheckerEnvironment(const CheckOptions& options);

// A message's decision as the report names it.
Decision DecisionOf(MessageDecision decision);

// Runs the selection with observers attached; returns the messages that show (1-based index).
std::vector<std::pair<std::int32_t, MsgRecord>> CheckCatalogue(const CheckOptions& options,
                                                               xml::DomDocument& document, CheckState& state);

// Each message's decision, its values, duplicate IDs and the Defer note; returns the messages that show.
std::vector<std::pair<std::int32_t, MsgRecord>> CheckMessages(const CheckOptions& options,
                                                              xml::DomDocument& document, CheckState& state,
                                                              const Collector& collector,
                                                              const CatalogueState& selected);

}  // namespace notify::checker
