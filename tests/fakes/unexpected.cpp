#include "tests/fakes/unexpected.hpp"

namespace fakes {

void RefuseCall(const std::string& what) {
  ADD_FAILURE() << "fake refused a call: " << what;
  throw Unexpected(what);
}

}  // namespace fakes
