// A project folder of real files with real RCS archives, and an engine working on it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dde/text_box_link.hpp"
#include "posix/path_resolver.hpp"
#include "tests/support/temp_folder.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"

namespace testing_support {

// The engine's tests read as its own code does.
using namespace wnorb16;

inline bool ReadOnly(const std::string& file) { return (Mode(file) & 0200) == 0; }

// The answer about a lock, with either store, whose columns the add-in cuts at fixed positions.
inline std::string Locked(const std::string& name, const std::string& whose, const std::string& holder,
                          const std::string& revision) {
  return name + " is checked out to " + whose + "\r\n  Locked by                     Type\r\n" +
         std::string(28, '-') + "  " + std::string(33, '-') + "\r\n  " + holder +
         std::string(30 - holder.size(), ' ') + "locked revision " + revision + "\r\n";
}

// Splits a status text at CR LF, checking that it ends so.
inline std::vector<std::string> StatusLines(const std::string& status) {
  EXPECT_TRUE(status.ends_with("\r\n")) << status;
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = status.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(status.substr(at, end - at));
  return lines;
}

// The two links the add-in holds, set up as its start-up does: commands go out through Text1,
// the status comes back through Text2.
struct AddinLinks {
  explicit AddinLinks(dde::Transport& transport)
      : text1(transport, "frmDDE", "Text1"), text2(transport, "frmDDE", "Text2") {
    text1.SetLinkTopic("WNORB16|frmMain");
    text1.SetLinkMode(2);
    text2.SetLinkTopic("WNORB16|frmCmd");
    text2.SetLinkItem("txtStatus");
    text2.SetLinkMode(1);
  }
  dde::TextBoxLink text1;
  dde::TextBoxLink text2;
};

class EngineTest : public ::testing::Test {
 protected:
  static constexpr char kUser[] = "ann";

  EngineTest() { tmp_.MakeDir("proj/RCS"); }

  // The engine, made on first use so a test can write WNORB.INI first.
  Engine& engine() {
    if (!engine_) engine_ = std::make_unique<Engine>(DefaultSetup());
    return *engine_;
  }
  EngineSetup DefaultSetup() const {
    EngineSetup setup;
    setup.ini_path = tmp_ / "WNORB.INI";
    setup.login_name = kUser;
    setup.lock_wait = std::chrono::milliseconds(300);
    return setup;
  }

  std::string Run(const std::string& command) { return engine().Execute(command); }

  std::string Path(const std::string& name) const { return tmp_ / ("proj/" + name); }
  std::string Archive(const std::string& name) const { return tmp_ / ("proj/RCS/" + name + ",v"); }
  std::string Windows(const std::string& name) const { return tmp_.Windows("proj/" + name); }
  // The name the add-in would send: the short form.
  std::string Short(const std::string& name) const {
    return posix::PathResolver().ToShort(Windows(name)).value_or("<no short name>");
  }

  // Replaces the file whatever its mode, as a person's editor would.
  std::string Write(const std::string& name, const std::string& contents, mode_t mode = 0644) {
    std::filesystem::remove(Path(name));
    return tmp_.Write("proj/" + name, contents, mode);
  }

  // RCS run as `user`, outside the engine, for the archive states a test starts from.
  void Rcs(const std::string& program, const std::vector<std::string>& arguments,
           const std::string& user = kUser) {
    rcs::RcsResult result = rcs_.Run(program, arguments, user);
    ASSERT_EQ(result.exit_code, 0) << program << ": " << result.err;
  }
  // An archive of `name` with revision 1.1 holding `contents`; the work file left read-only.
  void Archived(const std::string& name, const std::string& contents) {
    Write(name, contents);
    Rcs("ci", {"-u", "-i", "-t-test", "-minitial", Archive(name), Path(name)});
  }
  void LockAs(const std::string& user, const std::string& name) {
    Rcs("co", {"-l", Archive(name), Path(name)}, user);
  }

  TempFolder tmp_;
  rcs::RcsRunner rcs_;
  std::unique_ptr<Engine> engine_;
};

}  // namespace testing_support
