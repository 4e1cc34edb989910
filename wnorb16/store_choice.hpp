// The stores the engine may be built without, and the store that stands in for one it lacks.
#pragma once

#include <memory>
#include <string>

#include "wnorb16/store.hpp"

namespace wnorb16 {

// A store that refuses every file with `problem`, saying where the setting is.
std::unique_ptr<Store> RefusingStore(std::string problem);

// The Subversion store, or where the engine is built without it, one that refuses every file
// with why (`name` as Store= spells it).
std::unique_ptr<Store> SubversionStore(const std::string& name);

}  // namespace wnorb16
