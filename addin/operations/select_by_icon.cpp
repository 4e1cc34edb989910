// The dialogs' toolbar replaces the list's selection by all rows of one lock state.
#include "addin/main_module.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/error.hpp"

namespace norb {

void MainModule::SelectByIcon(long index, vb::Form& dialog) {
  auto* list = dynamic_cast<vb::ListView*>(dialog.FindControl("ListView1"));
  if (!list) vb::Raise(vb::err::NotSupported);
  int n = list->Count();
  for (int i = 1; i <= n; ++i) list->Item(i).Selected = list->Item(i).SmallIcon == index;
}

}  // namespace norb
