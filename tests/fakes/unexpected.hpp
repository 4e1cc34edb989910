// A fake's refusal of a call the test did not arrange. It fails the test and throws a type the
// add-in's error traps do not catch (they catch vb::Error), so the code under test stops there.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace fakes {

[[noreturn]] inline void RefuseCall(const std::string& what) {
  ADD_FAILURE() << "fake refused a call: " << what;
  throw std::logic_error(what);
}

}  // namespace fakes
