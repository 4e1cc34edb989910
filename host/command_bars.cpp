#include "host/command_bars.hpp"

#include <algorithm>

#include "vbrt/error.hpp"

namespace vbhost {

namespace {
// What the IDE's automation raises for a call on a control that is gone.
constexpr int kMethodFailed = -2147467259;

class HostCommandBarControls : public platform::ide::CommandBarControls {
 public:
  explicit HostCommandBarControls(std::shared_ptr<HostCommandBar> bar) : bar_(std::move(bar)) {}
  std::shared_ptr<platform::ide::CommandBarControl> Add(int type, int before,
                                                        std::string_view member) override {
    if (type != 1) vb::Raise(vb::err::InvalidProcedureCall);
    return bar_->Insert(before, member);
  }
  int Count() const override { return static_cast<int>(bar_->items().size()); }

 private:
  std::shared_ptr<HostCommandBar> bar_;
};

// The IDE's own items on each bar the add-in uses.
struct BarContents {
  const char* name;
  std::vector<std::string> items;
};
const std::vector<BarContents>& DefaultBars() {
  static const std::vector<BarContents> bars = {
      {"Tools",
       {"Add &Procedure...", "Procedure Attri&butes...", "&Menu Editor...", "&Options...", "&References...",
        "&Components...", "Add-&In Manager..."}},
      {"Project Window Form Folder",
       {"&View Object", "View &Code", "&Properties", "Add &Form", "Add &Module", "&Save Form",
        "Save Form &As..."}},
      {"Project Window Module/Class Folder",
       {"View &Code", "&Properties", "Add &Module", "Add &Class Module", "&Save", "Save &As..."}},
      {"Project Window Related Documents Folder",
       {"&Open", "&Properties", "Add &File...", "&Remove", "&Print..."}},
  };
  return bars;
}
}  // namespace

void HostCommandBarControl::CheckAlive(const char* method) const {
  if (deleted()) {
    vb::Raise(kMethodFailed, std::string("Method '") + method + "' of object '_CommandBarButton' failed");
  }
}

void HostCommandBarControl::Changed(const char* action, std::variant<std::string, bool, long> value) {
  observer_.Emit(events::ControlChanged{action, member_, std::move(value)});
}

void HostCommandBarControl::SetCaption(const std::string& caption) {
  CheckAlive("Caption");
  caption_ = caption;
  Changed("caption", caption);
}

std::string HostCommandBarControl::Caption() const {
  CheckAlive("Caption");
  return caption_;
}

void HostCommandBarControl::SetBeginGroup(bool value) {
  CheckAlive("BeginGroup");
  begin_group_ = value;
  Changed("begingroup", value);
}

bool HostCommandBarControl::BeginGroup() const {
  CheckAlive("BeginGroup");
  return begin_group_;
}

void HostCommandBarControl::PasteFace() {
  CheckAlive("PasteFace");
  auto content = clipboard_.GetData();
  auto* picture = std::get_if<platform::Picture>(&content);
  if (!picture) vb::Raise(kMethodFailed, "Method 'PasteFace' of object '_CommandBarButton' failed");
  face_ = picture->index;
  Changed("face", static_cast<long>(picture->index));
}

void HostCommandBarControl::Delete() {
  CheckAlive("Delete");
  bar_->Remove(*this);
  bar_ = nullptr;
  observer_.Emit(events::ControlDeleted{member_});
}

std::vector<std::shared_ptr<platform::ide::CommandBarClick>> HostCommandBarControl::Subscribers() const {
  std::vector<std::shared_ptr<platform::ide::CommandBarClick>> live;
  for (const auto& weak : sources_) {
    auto source = weak.lock();
    if (!source) continue;
    if (auto s = source->sink()) live.push_back(std::move(s));
  }
  return live;
}

HostCommandBar::HostCommandBar(HostObserver& observer, platform::Clipboard& clipboard, std::string name,
                               const std::vector<std::string>& host_items)
    : observer_(observer), clipboard_(clipboard), name_(std::move(name)) {
  for (const auto& caption : host_items) {
    items_.push_back(std::make_shared<HostCommandBarControl>(observer_, clipboard_, "host", caption, ""));
    items_.back()->PlaceOn(this);
  }
}

std::shared_ptr<platform::ide::CommandBarControls> HostCommandBar::Controls() {
  return std::make_shared<HostCommandBarControls>(shared_from_this());
}

std::shared_ptr<HostCommandBarControl> HostCommandBar::Insert(int before, std::string_view member) {
  if (before < 1 || before > static_cast<int>(items_.size()) + 1) vb::Raise(vb::err::InvalidProcedureCall);
  auto control =
      std::make_shared<HostCommandBarControl>(observer_, clipboard_, "addin", "", std::string(member));
  control->PlaceOn(this);
  items_.insert(items_.begin() + (before - 1), control);
  observer_.Emit(events::ControlAdded{name_, before, std::string(member)});
  return control;
}

void HostCommandBar::Remove(const HostCommandBarControl& control) {
  std::erase_if(items_, [&](const auto& c) { return c.get() == &control; });
}

std::shared_ptr<HostCommandBarControl> HostCommandBar::FindAddInItem(const std::string& caption,
                                                                     int nth) const {
  // A later set goes in at the same positions, in front of an earlier one, so matches in bar
  // order run from the newest set to the oldest.
  for (const auto& c : items_) {
    if (c->owner() == "addin" && c->Caption() == caption && --nth == 0) return c;
  }
  return nullptr;
}

HostCommandBars::HostCommandBars(HostObserver& observer, platform::Clipboard& clipboard) {
  for (const auto& bar : DefaultBars()) {
    bars_.push_back(std::make_shared<HostCommandBar>(observer, clipboard, bar.name, bar.items));
  }
}

std::shared_ptr<platform::ide::CommandBar> HostCommandBars::Item(const std::string& name) {
  auto bar = Find(name);
  if (!bar) vb::Raise(vb::err::InvalidProcedureCall);
  return bar;
}

std::shared_ptr<HostCommandBar> HostCommandBars::Find(const std::string& name) const {
  for (const auto& b : bars_) {
    if (b->Name() == name) return b;
  }
  return nullptr;
}

bool HostCommandBars::Remove(const std::string& name) {
  return std::erase_if(bars_, [&](const auto& b) { return b->Name() == name; }) > 0;
}

void HostCommandBarEvents::Connect(std::weak_ptr<platform::ide::CommandBarClick> sink,
                                   std::string_view handler) {
  sink_ = std::move(sink);
  control_->Subscribe(weak_from_this());
  observer_.Emit(events::Subscribe{control_->member(), std::string(handler)});
}

events::BarsShown BarsOf(const HostCommandBars& bars) {
  events::BarsShown out;
  out.bars.reserve(bars.bars().size());
  for (const auto& bar : bars.bars()) {
    events::Bar& shown = out.bars.emplace_back(events::Bar{bar->Name(), {}});
    shown.items.reserve(bar->items().size());
    for (const auto& c : bar->items())
      shown.items.push_back({c->Caption(), c->BeginGroup(), c->face(), c->owner()});
  }
  return out;
}

}  // namespace vbhost
