#include "host/form_view.hpp"

#include "vbrt/common_controls.hpp"
#include "vbrt/error.hpp"

namespace vbhost {

nlohmann::ordered_json DescribeForm(vb::Form& form) {
  nlohmann::ordered_json view{{"caption", form.Caption()}};
  nlohmann::ordered_json options = nlohmann::ordered_json::object();
  for (vb::Control* control : form.Controls()) {
    if (auto* tabs = dynamic_cast<vb::TabStrip*>(control)) {
      view["tab"] = tabs->SelectedIndex();
    } else if (auto* list = dynamic_cast<vb::ListView*>(control)) {
      nlohmann::ordered_json rows = nlohmann::ordered_json::array();
      for (const vb::ListItem* item : list->Ordered()) {
        nlohmann::ordered_json icon = nullptr;
        if (item->SmallIcon != 0) icon = item->SmallIcon;
        rows.push_back({{"text", item->Text.get()},
                        {"files", SubItemText(*item, 1)},
                        {"user", SubItemText(*item, 2)},
                        {"type", SubItemText(*item, 3)},
                        {"icon", icon},
                        {"selected", item->Selected}});
      }
      view["rows"] = rows;
      view["sortkey"] = list->SortKey;
      view["sortorder"] = list->SortOrder;
      view["sorted"] = list->Sorted;
      view["view"] = list->View;
    } else if (auto* box = dynamic_cast<vb::CheckBox*>(control)) {
      options[box->Name()] = box->Value();
    } else if (auto* lines = dynamic_cast<vb::ListBox*>(control)) {
      view["entries"] = lines->Items();
      view["selected"] = lines->ListIndex();
    }
  }
  if (!options.empty()) view["options"] = options;
  return view;
}

std::string SubItemText(const vb::ListItem& item, int index) {
  try {
    return item.SubItems(index);
  } catch (const vb::Error&) {
    return {};
  }
}

}  // namespace vbhost
