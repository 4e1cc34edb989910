// A small form for the fakes' own tests: OK hides it, Cancel unloads it.
#pragma once

#include <memory>

#include "tests/fakes/fake_services.hpp"
#include "vbrt/forms.hpp"

namespace fakes_selftest {

class FrmTest : public vb::Form {
 public:
  explicit FrmTest(vb::Runtime& rt) : vb::Form(rt, "frmTest") {
    cmdOK.Click = [this] { Hide(); };
    cmdCancel.Click = [this] { Unload(); };
  }
  vb::Label lblCap{*this, "lblCap", "Ready"};
  vb::ProgressBar ProgressBar1{*this, "ProgressBar1"};
  vb::CheckBox chkAll{*this, "chkAll", "All"};
  vb::Frame Frame1{*this, "Frame1"};
  vb::TextBox txtStatus{*this, "txtStatus"};
  vb::CommandButton cmdOK{*this, "cmdOK", "OK", true};
  vb::CommandButton cmdCancel{*this, "cmdCancel", "Cancel", false, true};
};

// FakeServices, a runtime on them and the default instance of frmTest.
struct TestProcess {
  fakes::FakeServices fake;
  vb::Runtime rt{fake.services()};
  vb::FormSlot<FrmTest> frmTest{rt, [this] { return std::make_unique<FrmTest>(rt); }};
};

}  // namespace fakes_selftest
