// A fake's refusal of a call the test did not arrange. It fails the test and throws a type the
// add-in's error traps do not catch (they catch vb::Error), so the code under test stops there.
#pragma once

#include <stdexcept>
#include <string>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace fakes {

class Unexpected : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// ADD_FAILURE() with `what`, then throws Unexpected(what).
[[noreturn]] void RefuseCall(const std::string& what);

}  // namespace fakes

// Expects `statement` to be refused with a message containing `substring`.
#define FAKES_EXPECT_REFUSED(statement, substring) \
  EXPECT_NONFATAL_FAILURE(EXPECT_THROW(statement, ::fakes::Unexpected), substring)
