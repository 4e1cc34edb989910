// The JSON-lines transcript: one object per line, each with an "event" field, everything a
// person or the engine would observe. Its names and fields are a public interface
// (docs/scenarios.md): add fields freely, never rename.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>

namespace vbhost {

class Transcript {
 public:
  explicit Transcript(std::ostream& out) : out_(out) {}
  // Strings in `event` (keys included) are the add-in's Windows-1252 text.
  void Emit(const nlohmann::ordered_json& event);

 private:
  std::ostream& out_;
};

}  // namespace vbhost
