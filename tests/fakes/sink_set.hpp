// The sinks connected to one IDE event source, by connection number. Sinks are held weakly,
// as the host holds them, so a sink of an ended add-in is skipped.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "vbrt/error.hpp"

namespace fakes {

struct Connection {
  std::string source;  // "project Project1", "file control"
  long number = 0;
  bool connected = true;  // false: a disconnect
  bool operator==(const Connection&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Connection& c);

template <class Sink>
class SinkSet {
 public:
  long Connect(std::weak_ptr<Sink> sink, long number) {
    sinks_.push_back({number, std::move(sink)});
    return number;
  }
  // Raises 5 for a number that is not connected here.
  void Disconnect(long number) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
      if (it->first == number) {
        sinks_.erase(it);
        return;
      }
    }
    vb::Raise(vb::err::InvalidProcedureCall);
  }
  // Locked now, so a sink that disconnects during the event does not upset the others.
  std::vector<std::shared_ptr<Sink>> Live() const {
    std::vector<std::shared_ptr<Sink>> out;
    for (const auto& [number, weak] : sinks_) {
      if (auto sink = weak.lock()) out.push_back(std::move(sink));
    }
    return out;
  }
  std::size_t connected() const { return sinks_.size(); }

 private:
  std::vector<std::pair<long, std::weak_ptr<Sink>>> sinks_;
};

}  // namespace fakes
