// The bare D-Bus method call both link benchmarks measure as their floor: one string argument,
// an empty reply, nothing else done. One definition, so the two floors are the same call.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <string>

namespace bench {

inline constexpr const char* kBareName = "bench.Bare";
inline constexpr const char* kBareInterface = "bench.Bare";
inline constexpr const char* kBarePath = "/bare";
inline constexpr const char* kBareMethod = "Call";

// Registers the bare call on `object` (not yet finished).
inline void RegisterBareCall(sdbus::IObject& object) {
  object.registerMethod(kBareInterface, kBareMethod, "s", "", [](sdbus::MethodCall call) {
    std::string text;
    call >> text;
    call.createReply().send();
  });
}

}  // namespace bench
