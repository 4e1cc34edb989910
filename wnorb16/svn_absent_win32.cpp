// The Windows engine keeps files in RCS archives only: its Subversion store is yet to come.
#include "wnorb16/store_choice.hpp"

namespace wnorb16 {

std::unique_ptr<Store> SubversionStore(const std::string& name) {
  return RefusingStore("Store=\"" + name + "\": the Subversion store is not in the Windows engine");
}

}  // namespace wnorb16
