// nvb5ProjEvents: the sink of the active project's version-control requests.
#pragma once

#include "platform/ide.hpp"

namespace norb {

class MainModule;

class nvb5ProjEvents : public platform::ide::ProjectEvents {
 public:
  explicit nvb5ProjEvents(MainModule& m) : m_(m) {}

  void CheckOut() override;
  void CheckIn() override;
  void Fetch() override;
  void UnCheckOut() override;

 private:
  MainModule& m_;
};

}  // namespace norb
