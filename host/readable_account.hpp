// A run told for a person: one line for each thing the add-in showed, asked or sent and for each
// engine outcome, the lock states as a table; no JSON. It is told the transcript's events, so it
// can stand where the transcript's stream would (Transcript's account form); kinds a person
// need not read are left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/host_events.hpp"

namespace vb {
class ListView;
}

namespace vbhost {

class ReadableAccount {
 public:
  explicit ReadableAccount(std::ostream& out) : out_(out) {}
  // One event; its code-page text is told in UTF-8.
  void Tell(const HostEvent& event);
  // The lock states last told, as a table, once the run is over.
  void Finish();
  std::ostream& stream() { return out_; }

 private:
  void Line(const std::string& text) { out_ << text << '\n'; }
  // A dialog shown: its form and caption (UTF-8) and its list's rows as shown, when it has one.
  void TellDialog(const std::string& form, const std::string& caption, const vb::ListView* list);
  void StatesTable();
  void State(const std::string& component, long value);
  // Where `component` is in places_, or the free slot it would take.
  std::size_t Slot(const std::string& component) const;

  std::ostream& out_;
  std::vector<std::pair<std::string, long>> states_;  // in the order first told
  // states_'s places by name, open addressing: a slot holds a place + 1, 0 none; at most half
  // full, so a project of many thousand components is told in linear time.
  std::vector<std::uint32_t> places_;
};

}  // namespace vbhost
