// The serving engine keeps what it did in WNORB.LOG beside its settings: every command, from
// the link or typed, who sent it and the status it left. A start-up pass sends a lock query per
// component, and a write to the disk per query cost the engine as much as the query itself; so
// the lines of commands that only read are held in the stream's buffer until the engine is idle
// (ServeLink), a line written at once follows them, or the log ends.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

namespace wnorb16 {

class StatusLog {
 public:
  explicit StatusLog(const std::string& path);

  bool ok() const { return out_.good(); }
  void Note(std::string_view text);
  // `who`: the client's name on the link, or "terminal". `at_once`: written through now, with
  // every line held before it; otherwise held.
  void Command(std::string_view who, std::string_view command, const std::string& status,
               bool at_once = true);
  // Whether lines are held, and writing them through.
  bool Holding() const { return holding_; }
  void Flush();

 private:
  std::ofstream out_;
  bool holding_ = false;
};

// The log beside `ini_path`.
std::string LogPathBeside(const std::string& ini_path);

}  // namespace wnorb16
