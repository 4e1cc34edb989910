// The JSON-lines transcript: one object per line, each with an "event" field, everything a
// person or the engine would observe. Its names and fields are a public interface
// (docs/scenarios.md): add fields freely, never rename.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>

#include "host/host_observer.hpp"

namespace vbhost {

class Transcript : public HostObserver {
 public:
  explicit Transcript(std::ostream& out) : out_(out) {}
  // Strings in `event` (keys included) are the add-in's code-page text.
  void Emit(const nlohmann::ordered_json& event) override;

 private:
  std::ostream& out_;
};

}  // namespace vbhost
