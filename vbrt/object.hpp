// Object references as VB has them: using one that is Nothing raises error 91, never crashes.
#pragma once

#include <memory>

#include "vbrt/error.hpp"

namespace vb {

template <class T>
T& Obj(const std::shared_ptr<T>& ref) {
  if (!ref) Raise(err::ObjectNotSet);
  return *ref;
}

}  // namespace vb
