// The JSON-lines transcript: one object per line, each with an "event" field, everything a
// person or the engine would observe. Its names and fields are a public interface
// (docs/scenarios.md): add fields freely, never rename. This is the one place that turns the
// typed events into JSON; the same events can be told to a person instead, as a readable account.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>

#include "host/host_observer.hpp"
#include "host/json_writer.hpp"
#include "host/readable_account.hpp"

namespace vb {
class Control;
class Form;
}  // namespace vb

namespace vbhost {

class Transcript : public HostObserver {
 public:
  // As JSON lines into `out`.
  explicit Transcript(std::ostream& out) : out_(out), writer_(std::in_place, out) {}
  // Told to `account` instead.
  explicit Transcript(ReadableAccount& account) : out_(account.stream()), account_(&account) {}

  void Emit(const HostEvent& event) override;
  // What every forms UI tells of the add-in's forms, the scripted one and the desktop's alike: a
  // form's life ("load", "show", "showmodal", "hide", "unload"), the writes of a label's caption,
  // a form's caption and a progress bar, and a modal show's "shown" and "closed" phases.
  void FormLife(std::string_view form, std::string_view action);
  void PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property);
  void Dialog(vb::Form& form, const char* phase);
  // Lines reach the stream as they are written and are flushed here: by the scenario runner
  // after each command, by a desktop session whenever it goes back to waiting for the person.
  void Flush() override { out_.flush(); }

 private:
  std::ostream& out_;
  std::optional<JsonWriter> writer_;
  ReadableAccount* account_ = nullptr;
};

}  // namespace vbhost
