#include "host/form_view.hpp"

#include "vbrt/common_controls.hpp"

namespace vbhost {

void WriteForm(vb::Form& form, JsonWriter& out) {
  out.Key("caption");
  out.String(form.Caption());
  for (vb::Control* control : form.Controls()) {
    if (auto* tabs = dynamic_cast<vb::TabStrip*>(control)) {
      out.Key("tab");
      out.Integer(tabs->SelectedIndex());
    } else if (auto* list = dynamic_cast<vb::ListView*>(control)) {
      out.Key("rows");
      out.BeginArray();
      for (const vb::ListItem* item : list->Ordered()) {
        out.BeginObject();
        out.Key("text");
        out.String(item->Text.get());
        static constexpr const char* kColumns[] = {"files", "user", "type"};
        for (int column = 1; column <= 3; ++column) {
          out.Key(kColumns[column - 1]);
          out.String(item->SubItemView(column));
        }
        out.Key("icon");
        if (item->SmallIcon != 0) {
          out.Integer(item->SmallIcon);
        } else {
          out.Null();
        }
        out.Key("selected");
        out.Boolean(item->Selected);
        out.EndObject();
      }
      out.EndArray();
      out.Key("sortkey");
      out.Integer(list->SortKey);
      out.Key("sortorder");
      out.Integer(list->SortOrder);
      out.Key("sorted");
      out.Boolean(list->Sorted);
      out.Key("view");
      out.Integer(list->View);
    } else if (auto* lines = dynamic_cast<vb::ListBox*>(control)) {
      out.Key("entries");
      out.BeginArray();
      for (const std::string& line : lines->Items()) out.String(line);
      out.EndArray();
      out.Key("selected");
      out.Integer(lines->ListIndex());
    }
  }
  // The check boxes, together after the rest.
  bool options = false;
  for (vb::Control* control : form.Controls()) {
    if (auto* box = dynamic_cast<vb::CheckBox*>(control)) {
      if (!options) {
        out.Key("options");
        out.BeginObject();
        options = true;
      }
      out.Key(box->Name());
      out.Integer(box->Value());
    }
  }
  if (options) out.EndObject();
}

const vb::ListView* ListOf(vb::Form& form) {
  for (vb::Control* control : form.Controls()) {
    if (auto* list = dynamic_cast<vb::ListView*>(control)) return list;
  }
  return nullptr;
}

std::string SubItemText(const vb::ListItem& item, int index) { return std::string(item.SubItemView(index)); }

}  // namespace vbhost
