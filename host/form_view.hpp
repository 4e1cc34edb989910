// What a person sees of a form, as the transcript's "dialog" events show it: its caption, the
// selected tab, the list's rows and sort state, the check boxes, a list box's entries.
#pragma once

#include <string>

#include "host/json_writer.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/forms.hpp"

namespace vbhost {

// The form's fields, into the object `out` is writing; the rows straight from the list.
void WriteForm(vb::Form& form, JsonWriter& out);

// The form's list, or null when it has none.
const vb::ListView* ListOf(vb::Form& form);

// A row's text in a column; empty where the row has no text there (VB raises instead).
std::string SubItemText(const vb::ListItem& item, int index);

}  // namespace vbhost
