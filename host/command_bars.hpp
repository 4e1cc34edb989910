// The IDE's command bars: the Tools menu and the Project window's context menus, each with
// items of its own so insert positions mean what they meant in the IDE. What the add-in does to
// them is reported to the host's observer.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/host_observer.hpp"
#include "platform/clipboard.hpp"
#include "platform/ide.hpp"

namespace vbhost {

class HostCommandBar;
class HostCommandBarEvents;

class HostCommandBarControl : public platform::ide::CommandBarControl {
 public:
  HostCommandBarControl(HostObserver& observer, platform::Clipboard& clipboard, std::string owner,
                        std::string caption, std::string member)
      : observer_(observer),
        clipboard_(clipboard),
        owner_(std::move(owner)),
        caption_(std::move(caption)),
        member_(std::move(member)) {}

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetBeginGroup(bool value) override;
  bool BeginGroup() const override;
  void PasteFace() override;
  void Delete() override;

  const std::string& owner() const { return owner_; }
  const std::string& member() const { return member_; }
  std::optional<int> face() const { return face_; }
  bool deleted() const { return bar_ == nullptr; }
  void PlaceOn(HostCommandBar* bar) { bar_ = bar; }
  // The control knows its event objects only weakly: one that its holder releases is gone, and
  // its subscriber hears no more clicks, as with the IDE's own event objects.
  void Subscribe(std::weak_ptr<HostCommandBarEvents> source) { sources_.push_back(std::move(source)); }
  // The subscribers of the live event objects, for a click.
  std::vector<std::shared_ptr<platform::ide::CommandBarClick>> Subscribers() const;

 private:
  // A removed control fails every call, as the IDE's automation does.
  void CheckAlive(const char* method) const;
  void Changed(const char* action, std::variant<std::string, bool, long> value);

  HostObserver& observer_;
  platform::Clipboard& clipboard_;
  std::string owner_;
  std::string caption_;
  std::string member_;
  bool begin_group_ = false;
  std::optional<int> face_;
  HostCommandBar* bar_ = nullptr;
  std::vector<std::weak_ptr<HostCommandBarEvents>> sources_;
};

class HostCommandBar : public platform::ide::CommandBar, public std::enable_shared_from_this<HostCommandBar> {
 public:
  HostCommandBar(HostObserver& observer, platform::Clipboard& clipboard, std::string name,
                 const std::vector<std::string>& host_items);

  std::string Name() const override { return name_; }
  std::shared_ptr<platform::ide::CommandBarControls> Controls() override;

  const std::vector<std::shared_ptr<HostCommandBarControl>>& items() const { return items_; }
  std::shared_ptr<HostCommandBarControl> Insert(int before, std::string_view member);
  void Remove(const HostCommandBarControl& control);
  // The add-in item with exactly that caption from the nth set, counted from the newest (1), or null.
  std::shared_ptr<HostCommandBarControl> FindAddInItem(const std::string& caption, int nth = 1) const;

 private:
  HostObserver& observer_;
  platform::Clipboard& clipboard_;
  std::string name_;
  std::vector<std::shared_ptr<HostCommandBarControl>> items_;
};

class HostCommandBars : public platform::ide::CommandBars {
 public:
  HostCommandBars(HostObserver& observer, platform::Clipboard& clipboard);

  std::shared_ptr<platform::ide::CommandBar> Item(const std::string& name) override;

  const std::vector<std::shared_ptr<HostCommandBar>>& bars() const { return bars_; }
  std::shared_ptr<HostCommandBar> Find(const std::string& name) const;
  // Takes a bar away, as an IDE without that context menu would be.
  bool Remove(const std::string& name);

 private:
  std::vector<std::shared_ptr<HostCommandBar>> bars_;
};

// VBE.Events.CommandBarEvents(control): lives as long as the add-in holds it.
class HostCommandBarEvents : public platform::ide::CommandBarEvents,
                             public std::enable_shared_from_this<HostCommandBarEvents> {
 public:
  HostCommandBarEvents(HostObserver& observer, std::shared_ptr<HostCommandBarControl> control)
      : observer_(observer), control_(std::move(control)) {}
  void Connect(std::weak_ptr<platform::ide::CommandBarClick> sink, std::string_view handler) override;
  std::shared_ptr<platform::ide::CommandBarClick> sink() const { return sink_.lock(); }

 private:
  HostObserver& observer_;
  std::shared_ptr<HostCommandBarControl> control_;
  std::weak_ptr<platform::ide::CommandBarClick> sink_;
};

// The bars as they stand, for `show bars`.
events::BarsShown BarsOf(const HostCommandBars& bars);

}  // namespace vbhost
