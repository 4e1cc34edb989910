#include "host/transcript.hpp"

#include <cmath>
#include <type_traits>

#include "host/form_view.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/controls.hpp"
#include "vbrt/forms.hpp"

namespace vbhost {

namespace {

// One event's members, into the object being written: its "event" name first, then its fields
// in their order. One overload per kind and no catch-all, so a kind without one fails to build.
class EventWriter {
 public:
  explicit EventWriter(JsonWriter& out) : out_(out) {}

  void operator()(const events::MsgBox& e) {
    Name("msgbox");
    Text("text", e.text);
    Integer("style", e.style);
    Text("answer", e.answer);
    if (e.title) Text("title", *e.title);
  }
  void operator()(const events::Foreground& e) {
    Name("foreground");
    Text("form", e.form);
  }
  void operator()(const events::Help& e) {
    Name("help");
    Text("form", e.form);
    Text("file", e.file);
  }
  void operator()(const events::Unsaved& e) {
    Name("unsaved");
    Text("action", e.action);
    out_.Key("targets");
    Strings(e.targets);
    Text("answer", e.answer);
  }
  void operator()(const events::FormLife& e) {
    Name("form");
    Text("form", e.form);
    Text("action", e.action);
  }
  void operator()(const events::Caption& e) {
    Name("caption");
    Text("form", e.form);
    if (e.control) Text("control", *e.control);
    Text("text", e.text);
  }
  void operator()(const events::Progress& e) {
    using Field = events::Progress::Field;
    Name("progress");
    Text("form", e.form);
    Text("control", e.control);
    out_.Key(e.field == Field::Max ? "max" : e.field == Field::Min ? "min" : "value");
    // A whole number as an integer, as the add-in's Single holds it.
    if (std::floor(e.value) == e.value) {
      out_.Integer(static_cast<long>(e.value));
    } else {
      out_.Real(e.value);
    }
  }
  void operator()(const events::Dialog& e) {
    Name("dialog");
    if (e.show) Boolean("show", true);
    Text("form", e.form);
    if (e.phase) Text("phase", *e.phase);
    WriteForm(*e.window, out_);
  }
  void operator()(const events::ControlAdded& e) {
    Name("control");
    Text("action", "add");
    Text("bar", e.bar);
    Integer("before", e.before);
    Text("member", e.member);
  }
  void operator()(const events::ControlChanged& e) {
    Name("control");
    Text("action", e.action);
    Text("member", e.member);
    out_.Key("value");
    std::visit(
        [this](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            out_.String(v);
          } else if constexpr (std::is_same_v<T, bool>) {
            out_.Boolean(v);
          } else {
            out_.Integer(v);
          }
        },
        e.value);
  }
  void operator()(const events::ControlDeleted& e) {
    Name("control");
    Text("action", "delete");
    Text("member", e.member);
  }
  void operator()(const events::Subscribe& e) {
    Name("subscribe");
    Text("member", e.member);
    Text("handler", e.handler);
  }
  void operator()(const events::ClipboardWritten& e) {
    Name("clipboard");
    Text("action", e.action);
    Content(e.content);
  }
  void operator()(const events::Launch& e) {
    Name("launch");
    Text("command", e.command);
    Integer("style", e.style);
    Boolean("started", e.started);
    if (e.number) Integer("number", *e.number);
  }
  void operator()(const events::Profile& e) {
    Name("profile");
    Text("action", e.action);
    Text("file", e.file);
    Text("section", e.section);
    Text("key", e.key);
    Text("value", e.value);
    Boolean("ok", e.ok);
  }
  void operator()(const events::State& e) {
    Name("state");
    Text("component", e.component);
    Integer("value", e.value);
  }
  void operator()(const events::Modified& e) {
    Name("modified");
    Text("target", e.target);
    Boolean("value", e.value);
  }
  void operator()(const events::LockMode& e) {
    Name("lockmode");
    Integer("value", e.value);
  }
  void operator()(const events::Unresolved& e) {
    Name("unresolved");
    Text("project", e.project);
    Integer("line", static_cast<long long>(e.line));
    Text("entry", e.entry);
    Text("reason", e.reason);
  }
  void operator()(const events::Await& e) {
    Name("await");
    Text("application", e.application);
  }
  void operator()(const events::EngineOutcome& e) {
    Name("engine");
    Text("text", e.text);
  }
  void operator()(const events::EngineCommand& e) {
    Name("engine-command");
    Text("command", e.command);
    Boolean("ok", e.ok);
    if (e.answer) Text("answer", *e.answer);
    if (e.number) Integer("number", *e.number);
  }
  void operator()(const events::Reload& e) {
    Name("reload");
    Text("path", e.path);
  }
  void operator()(const events::End&) { Name("end"); }
  void operator()(const events::RunTimeError& e) {
    Name("error");
    Text("where", e.where);
    Integer("number", e.number);
    Text("description", e.description);
  }
  void operator()(const events::Link& e) {
    Name("link");
    Text("control", e.control);
    Text("topic", e.topic);
    Text("item", e.item);
    Integer("mode", e.mode);
    Boolean("ok", e.ok);
    if (e.number) Integer("number", *e.number);
  }
  void operator()(const events::Execute& e) {
    Name("execute");
    Text("topic", e.topic);
    Text("command", e.command);
    Boolean("ok", e.ok);
    if (e.number) Integer("number", *e.number);
  }
  void operator()(const events::FileEvent& e) {
    Name("fileevent");
    Text("name", e.name);
    out_.Key("args");
    out_.BeginObject();
    for (const auto& [name, value] : e.args) {
      out_.Key(name);
      if (const auto* text = std::get_if<std::string>(&value)) {
        out_.String(*text);
      } else if (const auto* number = std::get_if<long>(&value)) {
        out_.Integer(*number);
      } else {
        Strings(std::get<std::vector<std::string>>(value));
      }
    }
    out_.EndObject();
    Boolean("cancel", e.cancel);
  }
  void operator()(const events::Write& e) {
    Name("write");
    Text("path", e.path);
    Boolean("written", e.written);
    if (e.number) Integer("number", *e.number);
  }
  void operator()(const events::Save& e) {
    Name("save");
    Text("target", e.target);
    Text("path", e.path);
  }
  void operator()(const events::StatesShown& e) {
    Name("states");
    Boolean("show", true);
    out_.Key("components");
    out_.BeginObject();
    for (const auto& [component, state] : e.components) Integer(component, state);
    out_.EndObject();
  }
  void operator()(const events::LinksShown& e) {
    Name("links");
    Boolean("show", true);
    out_.Key("links");
    out_.BeginArray();
    for (const auto& link : e.links) {
      out_.BeginObject();
      Text("control", link.control);
      Text("topic", link.topic);
      Text("item", link.item);
      Integer("mode", link.mode);
      Text("text", link.text);
      out_.EndObject();
    }
    out_.EndArray();
  }
  void operator()(const events::LockModeShown& e) {
    Name("lockmode");
    Boolean("show", true);
    Integer("value", e.value);
    if (e.add_in) Integer("gLockMode", *e.add_in);
  }
  void operator()(const events::BarsShown& e) {
    Name("bars");
    Boolean("show", true);
    out_.Key("bars");
    out_.BeginArray();
    for (const auto& bar : e.bars) {
      out_.BeginObject();
      Text("name", bar.name);
      out_.Key("items");
      out_.BeginArray();
      for (const auto& item : bar.items) {
        out_.BeginObject();
        Text("caption", item.caption);
        Boolean("begingroup", item.begin_group);
        out_.Key("face");
        if (item.face) {
          out_.Integer(*item.face);
        } else {
          out_.Null();
        }
        Text("owner", item.owner);
        out_.EndObject();
      }
      out_.EndArray();
      out_.EndObject();
    }
    out_.EndArray();
  }
  void operator()(const events::ClipboardShown& e) {
    Name("clipboard");
    Boolean("show", true);
    Content(e.content);
  }
  void operator()(const events::AddinsShown& e) {
    Name("addins");
    Boolean("show", true);
    out_.Key("entries");
    out_.BeginObject();
    for (const auto& [key, value] : e.entries) Text(key, value);
    out_.EndObject();
  }

 private:
  void Name(std::string_view name) { Text("event", name); }
  void Text(std::string_view key, std::string_view value) {
    out_.Key(key);
    out_.String(value);
  }
  void Integer(std::string_view key, long long value) {
    out_.Key(key);
    out_.Integer(value);
  }
  void Boolean(std::string_view key, bool value) {
    out_.Key(key);
    out_.Boolean(value);
  }
  void Strings(const std::vector<std::string>& texts) {
    out_.BeginArray();
    for (const auto& text : texts) out_.String(text);
    out_.EndArray();
  }
  // Clipboard content: text, {"picture":N}, or null.
  void Content(const platform::ClipboardContent& content) {
    out_.Key("content");
    if (const auto* text = std::get_if<std::string>(&content)) {
      out_.String(*text);
    } else if (const auto* picture = std::get_if<platform::Picture>(&content)) {
      out_.BeginObject();
      Integer("picture", picture->index);
      out_.EndObject();
    } else {
      out_.Null();
    }
  }

  JsonWriter& out_;
};

}  // namespace

void Transcript::Emit(const HostEvent& event) {
  if (account_) {
    account_->Tell(event);
    return;
  }
  writer_->BeginObject();
  std::visit(EventWriter(*writer_), event);
  writer_->EndObject();
  writer_->EndLine();
}

void Transcript::FormLife(std::string_view form, std::string_view action) {
  Emit(events::FormLife{std::string(form), std::string(action)});
}

void Transcript::Dialog(vb::Form& form, const char* phase) {
  Emit(events::Dialog{false, form.Name(), phase, &form});
}

void Transcript::PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) {
  if (!control) {
    if (property == "Caption") Emit(events::Caption{form.Name(), std::nullopt, form.Caption()});
    return;
  }
  if (auto* label = dynamic_cast<vb::Label*>(control); label && property == "Caption") {
    Emit(events::Caption{form.Name(), label->Name(), label->Caption()});
    return;
  }
  if (auto* bar = dynamic_cast<vb::ProgressBar*>(control)) {
    using Field = events::Progress::Field;
    if (property == "Max") {
      Emit(events::Progress{form.Name(), bar->Name(), Field::Max, bar->Max()});
    } else if (property == "Min") {
      Emit(events::Progress{form.Name(), bar->Name(), Field::Min, bar->Min()});
    } else if (property == "Value") {
      Emit(events::Progress{form.Name(), bar->Name(), Field::Value, bar->Value()});
    }
  }
}

}  // namespace vbhost
