// The number of the run-time error `call` raises; 0 when it raises none.
#pragma once

#include "vbrt/error.hpp"

namespace testing_support {

inline int ErrorOf(auto&& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace testing_support
