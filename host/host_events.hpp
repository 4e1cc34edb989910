// What the IDE stand-in lets a person see, one type per kind of event. Each is made where it
// happens, as data: the transcript writes it as a JSON line (host/transcript.cpp, the one place
// that knows the kinds' JSON names and keys, as docs/scenarios.md documents them), the readable
// account tells it as text, a desktop shows it. Strings are the add-in's code-page text; the
// field order is the order of the JSON keys.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "platform/clipboard.hpp"

namespace vb {
class Form;
}

namespace vbhost {

// Values by name in the order first given; a name given again keeps its first place and takes
// the new value, as a JSON object's member would. Linear in the members: a project of 100,000
// components is listed without a search per name.
template <class T>
class NamedValues {
 public:
  void Set(std::string name, T value) {
    auto [at, added] = places_.try_emplace(name, members_.size());
    if (added) {
      members_.emplace_back(std::move(name), std::move(value));
    } else {
      members_[at->second].second = std::move(value);
    }
  }
  std::vector<std::pair<std::string, T>> Take() { return std::move(members_); }

 private:
  std::vector<std::pair<std::string, T>> members_;
  std::unordered_map<std::string, std::size_t> places_;
};

namespace events {

// ---- The desktop: message boxes, foreground, help, the IDE's own question before a close.

// "msgbox": a box shown and answered ("OK", "Yes", ...); `title` when the box has its own.
struct MsgBox {
  std::string text;
  int style = 0;
  std::string answer;
  std::optional<std::string> title;
};
// "foreground"
struct Foreground {
  std::string form;
};
// "help"
struct Help {
  std::string form;
  std::string file;
};
// "unsaved": the desktop's save, discard or cancel before a project closes ("open", "exit").
struct Unsaved {
  std::string action;
  std::vector<std::string> targets;
  std::string answer;
};

// ---- The forms UI

// "form": a form's life ("load", "show", "showmodal", "hide", "unload").
struct FormLife {
  std::string form;
  std::string action;
};
// "caption": a form's caption, or a label's when `control` is given.
struct Caption {
  std::string form;
  std::optional<std::string> control;
  std::string text;
};
// "progress": one of a progress bar's values written.
struct Progress {
  enum class Field { Max, Min, Value };
  std::string form;
  std::string control;
  Field field = Field::Value;
  float value = 0;
};
// "dialog": a form as it stands, its modal show's "shown" or "closed" `phase`, or asked for by a
// scenario (`show`). The form itself is written, so it must outlive the event's delivery.
struct Dialog {
  bool show = false;
  std::string form;
  std::optional<std::string> phase;
  vb::Form* window = nullptr;
};

// ---- The command bars and the clipboard

// "control" "add"
struct ControlAdded {
  std::string bar;
  int before = 0;
  std::string member;
};
// "control" with the property written: "caption" (text), "begingroup" (bool), "face" (index).
struct ControlChanged {
  std::string action;
  std::string member;
  std::variant<std::string, bool, long> value;
};
// "control" "delete"
struct ControlDeleted {
  std::string member;
};
// "subscribe"
struct Subscribe {
  std::string member;
  std::string handler;
};
// "clipboard": the add-in's "set" or "restore".
struct ClipboardWritten {
  std::string action;
  platform::ClipboardContent content;
};

// ---- The shell and the Windows API layer

// "launch"; `number` when the start failed with an error.
struct Launch {
  std::string command;
  int style = 0;
  bool started = false;
  std::optional<int> number;
};
// "profile": an INI read or write.
struct Profile {
  std::string action;
  std::string file;
  std::string section;
  std::string key;
  std::string value;
  bool ok = false;
};

// ---- The model

// "state": the code the add-in wrote into a component's state (a norb::LockState).
struct State {
  std::string component;
  long value = 0;
};
// "modified"
struct Modified {
  std::string target;
  bool value = false;
};
// "lockmode": written by the add-in.
struct LockMode {
  short value = 0;
};
// "unresolved": a project file's line whose file could not be found.
struct Unresolved {
  std::string project;
  std::size_t line = 0;
  std::string entry;
  std::string reason;
};

// ---- The session

// "await": a link waits for a launched server.
struct Await {
  std::string application;
};
// "engine": what the engine showed.
struct EngineOutcome {
  std::string text;
};
// "engine-command": the IDE's own COMMENT or VERSION; `answer` when the engine's status said
// one, `number` when the command failed.
struct EngineCommand {
  std::string command;
  bool ok = false;
  std::optional<std::string> answer;
  std::optional<int> number;
};
// "reload"
struct Reload {
  std::string path;
};
// "end": the add-in's process ended.
struct End {};
// "error": a run-time error that reached the IDE.
struct RunTimeError {
  std::string where;
  int number = 0;
  std::string description;
};
// "link": a text box's LinkMode written.
struct Link {
  std::string control;
  std::string topic;
  std::string item;
  int mode = 0;
  bool ok = false;
  std::optional<int> number;
};
// "execute": a LinkExecute.
struct Execute {
  std::string topic;
  std::string command;
  bool ok = false;
  std::optional<int> number;
};
// An argument of a file event: text, a number, or the list of FileNames.
using FileEventArg = std::variant<std::string, long, std::vector<std::string>>;
using FileEventArgs = std::vector<std::pair<std::string, FileEventArg>>;
// "fileevent": one file-control event delivered to the sinks.
struct FileEvent {
  std::string name;
  FileEventArgs args;
  bool cancel = false;
};
// "write"; `number` when the write itself failed (a sink's refusal has none).
struct Write {
  std::string path;
  bool written = false;
  std::optional<int> number;
};
// "save": the add-in's save-as.
struct Save {
  std::string target;
  std::string path;
};

// ---- What a scenario asks to see ("show": true)

// "states": each component's state, names unique (NamedValues).
struct StatesShown {
  std::vector<std::pair<std::string, long>> components;
};
struct LinkRow {
  std::string control;
  std::string topic;
  std::string item;
  int mode = 0;
  std::string text;
};
// "links": the add-in's two text boxes, none when its form is not loaded.
struct LinksShown {
  std::vector<LinkRow> links;
};
// "lockmode": the IDE's, and the add-in's own when its process runs.
struct LockModeShown {
  short value = 0;
  std::optional<long> add_in;
};
struct BarItem {
  std::string caption;
  bool begin_group = false;
  std::optional<int> face;
  std::string owner;
};
struct Bar {
  std::string name;
  std::vector<BarItem> items;
};
// "bars"
struct BarsShown {
  std::vector<Bar> bars;
};
// "clipboard"
struct ClipboardShown {
  platform::ClipboardContent content;
};
// "addins": vbaddin.ini's entries, names unique (NamedValues).
struct AddinsShown {
  std::vector<std::pair<std::string, std::string>> entries;
};

}  // namespace events

// Every kind. The transcript's writer visits it with no fallback, so a kind added here and not
// written there does not build.
using HostEvent =
    std::variant<events::MsgBox, events::Foreground, events::Help, events::Unsaved, events::FormLife,
                 events::Caption, events::Progress, events::Dialog, events::ControlAdded,
                 events::ControlChanged, events::ControlDeleted, events::Subscribe, events::ClipboardWritten,
                 events::Launch, events::Profile, events::State, events::Modified, events::LockMode,
                 events::Unresolved, events::Await, events::EngineOutcome, events::EngineCommand,
                 events::Reload, events::End, events::RunTimeError, events::Link, events::Execute,
                 events::FileEvent, events::Write, events::Save, events::StatesShown, events::LinksShown,
                 events::LockModeShown, events::BarsShown, events::ClipboardShown, events::AddinsShown>;

}  // namespace vbhost
