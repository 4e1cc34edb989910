// The sinks connected to one IDE event source, by connection number. Held weakly, as the IDE
// holds COM sinks, so the sink of an add-in that has ended is skipped.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "vbrt/error.hpp"

namespace vbhost {

template <class Sink>
class SinkSet {
 public:
  void Connect(long number, std::weak_ptr<Sink> sink) { sinks_[number] = std::move(sink); }
  // Raises 5 for a number that is not connected here.
  void Disconnect(long number) {
    if (sinks_.erase(number) == 0) vb::Raise(vb::err::InvalidProcedureCall);
  }
  // Taken before an event is raised, so a sink that disconnects during it upsets no other.
  std::vector<std::shared_ptr<Sink>> Live() const {
    std::vector<std::shared_ptr<Sink>> live;
    for (const auto& [number, weak] : sinks_) {
      if (auto sink = weak.lock()) live.push_back(std::move(sink));
    }
    return live;
  }

 private:
  std::map<long, std::weak_ptr<Sink>> sinks_;
};

}  // namespace vbhost
