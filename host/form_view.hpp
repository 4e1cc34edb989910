// What a person sees of a form, as the transcript's "dialog" events show it: its caption, the
// selected tab, the list's rows and sort state, the check boxes, a list box's entries.
#pragma once

#include <nlohmann/json.hpp>

#include "vbrt/common_controls.hpp"
#include "vbrt/forms.hpp"

namespace vbhost {

nlohmann::ordered_json DescribeForm(vb::Form& form);

// A row's text in a column; empty where the row has no text there (VB raises instead).
std::string SubItemText(const vb::ListItem& item, int index);

}  // namespace vbhost
