// A file with an RCS archive beside it, locked by someone else, in a temporary folder: what the
// engine's lock query ("T") reads. The file lies `depth` folders below the root (/tmp, the
// temporary folder, then one-letter folders), so the cost of locating a deep file shows. Copies
// of it beside it let a benchmark ask about archives the engine has not read before.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "posix/file_ops.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"

namespace bench {

class ArchivedFile {
 public:
  ArchivedFile(const std::string& name, int revisions, const std::string& holder, int depth = 3,
               int copies = 0) {
    root_ = posix::MakeTempFolder("engine-bench-").value();
    std::string folder = root_;
    for (int level = 2; level < depth; ++level)
      folder += "/" + std::string(1, static_cast<char>('a' + level));
    posix::MakeFolders(folder + "/RCS");
    const wnorb16::rcs::RcsRunner rcs;
    const std::string work = folder + "/" + name, archive = folder + "/RCS/" + name + ",v";
    for (int r = 1; r <= revisions; ++r) {
      std::filesystem::remove(work);
      std::ofstream(work) << "revision " << r << "\n";
      if (r > 1) rcs.Run("rcs", {"-q", "-l", archive}, "bench");
      rcs.Run("ci", {"-q", "-u", "-mr", "-t-bench", archive, work}, "bench");
    }
    rcs.Run("rcs", {"-q", "-l", archive}, holder);
    windows_ = WindowsPath(work);
    for (int c = 1; c <= copies; ++c) {
      const std::string copy = "C" + std::to_string(c) + "_" + name;
      std::filesystem::copy_file(work, folder + "/" + copy);
      std::filesystem::copy_file(archive, folder + "/RCS/" + copy + ",v");
      copies_.push_back(WindowsPath(folder + "/" + copy));
    }
    // The engine reads an archive changed in the last two seconds again on every query, as its
    // times could miss a change so soon; a project's archives are seldom that new.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  }
  ~ArchivedFile() { std::filesystem::remove_all(root_); }
  ArchivedFile(const ArchivedFile&) = delete;
  ArchivedFile& operator=(const ArchivedFile&) = delete;

  const std::string& Windows() const { return windows_; }
  const std::vector<std::string>& Copies() const { return copies_; }

  // An engine of another user, with no settings file.
  static std::unique_ptr<wnorb16::Engine> OtherUsersEngine() {
    wnorb16::EngineSetup setup;
    setup.ini_path = "/nonexistent/WNORB.INI";
    setup.login_name = "ann";
    return std::make_unique<wnorb16::Engine>(std::move(setup));
  }
  // Such an engine, and the lock query of this file it was checked to answer with the holder's
  // lock; raises when it does not.
  std::unique_ptr<wnorb16::Engine> QueryingEngine(std::string& command) const {
    auto engine = OtherUsersEngine();
    command = "T " + windows_;
    if (engine->Execute(command).find("checked out to someone else") == std::string::npos) {
      throw std::runtime_error("the engine did not find the lock on " + windows_);
    }
    return engine;
  }

 private:
  static std::string WindowsPath(std::string path) {
    for (char& c : path) c = c == '/' ? '\\' : c;
    return "C:" + path;
  }

  std::string root_;
  std::string windows_;
  std::vector<std::string> copies_;
};

}  // namespace bench
