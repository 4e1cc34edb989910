// The VB error a call raised, for asserting number and text in one place.
#pragma once

#include <ostream>
#include <string>

#include "vbrt/error.hpp"

namespace testing_support {

struct Raised {
  int number = 0;
  std::string description;
  bool operator==(const Raised&) const = default;
};

inline void PrintTo(const Raised& r, std::ostream* os) { *os << r.number << " \"" << r.description << '"'; }

// What `call` raised; number 0 when it raised nothing.
inline Raised RaisedBy(auto&& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return {e.number(), e.description()};
  }
  return {};
}

// The number alone, where the text is not the point.
inline int ErrorOf(auto&& call) { return RaisedBy(call).number; }

}  // namespace testing_support
