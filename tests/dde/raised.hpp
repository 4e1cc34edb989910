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

inline Raised RaisedBy(auto&& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return {e.number(), e.description()};
  }
  return {};
}

inline const Raised kNoResponse{282, "No foreign application responded to a DDE initiate"};
inline const Raised kRefused{285, "Foreign application won't perform DDE method or operation"};
inline const Raised kQuit{291, "Foreign application quit"};
inline const Raised kNoChannel{293, "DDE method invoked with no channel open"};
inline const Raised kNothing{};

}  // namespace testing_support
