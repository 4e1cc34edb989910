// The DDE errors the links raise, as number and text.
#pragma once

#include "tests/support/vb_error.hpp"

namespace testing_support {

inline const Raised kNoResponse{282, "No foreign application responded to a DDE initiate"};
inline const Raised kRefused{285, "Foreign application won't perform DDE method or operation"};
inline const Raised kTimeout{286, "Timeout while waiting for DDE response"};
inline const Raised kQuit{291, "Foreign application quit"};
inline const Raised kNoChannel{293, "DDE method invoked with no channel open"};
inline const Raised kNothing{};

}  // namespace testing_support
