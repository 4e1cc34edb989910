// The dialogs' toolbar replaces the list's selection by all rows of one lock state.
#include "addin/main_module.hpp"
#include "vbrt/common_controls.hpp"

namespace norb {

void MainModule::SelectByIcon(long index, vb::Form& dialog) {
  vb::ListView& list = vb::ListViewNamed(dialog, "ListView1");
  int n = list.Count();
  for (int i = 1; i <= n; ++i) list.Item(i).Selected = list.Item(i).SmallIcon == index;
}

}  // namespace norb
