// A file with an RCS archive beside it, locked by someone else, in a temporary folder: what the
// engine's lock query ("T") reads. The file lies `depth` folders below the root (/tmp, the
// temporary folder, then one-letter folders), so the cost of locating a deep file shows.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "wnorb16/engine.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"

namespace bench {

class ArchivedFile {
 public:
  ArchivedFile(const std::string& name, int revisions, const std::string& holder, int depth = 3) {
    std::string pattern = "/tmp/engine-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    std::string folder = root_;
    for (int level = 2; level < depth; ++level)
      folder += "/" + std::string(1, static_cast<char>('a' + level));
    std::filesystem::create_directories(folder + "/RCS");
    const wnorb16::rcs::RcsRunner rcs;
    const std::string work = folder + "/" + name, archive = folder + "/RCS/" + name + ",v";
    for (int r = 1; r <= revisions; ++r) {
      std::filesystem::remove(work);
      std::ofstream(work) << "revision " << r << "\n";
      if (r > 1) rcs.Run("rcs", {"-q", "-l", archive}, "bench");
      rcs.Run("ci", {"-q", "-u", "-mr", "-t-bench", archive, work}, "bench");
    }
    rcs.Run("rcs", {"-q", "-l", archive}, holder);
    windows_ = "C:" + work;
    for (char& c : windows_) c = c == '/' ? '\\' : c;
  }
  ~ArchivedFile() { std::filesystem::remove_all(root_); }
  ArchivedFile(const ArchivedFile&) = delete;
  ArchivedFile& operator=(const ArchivedFile&) = delete;

  const std::string& Windows() const { return windows_; }

  // An engine of another user with no settings file, and the lock query of this file it was
  // checked to answer with the holder's lock; raises when it does not.
  std::unique_ptr<wnorb16::Engine> QueryingEngine(std::string& command) const {
    wnorb16::EngineSetup setup;
    setup.ini_path = "/nonexistent/WNORB.INI";
    setup.login_name = "ann";
    auto engine = std::make_unique<wnorb16::Engine>(std::move(setup));
    command = "T " + windows_;
    if (engine->Execute(command).find("checked out to someone else") == std::string::npos) {
      throw std::runtime_error("the engine did not find the lock on " + windows_);
    }
    return engine;
  }

 private:
  std::string root_;
  std::string windows_;
};

}  // namespace bench
