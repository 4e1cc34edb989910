// The serving engine keeps what it did in WNORB.LOG beside its settings: every command, from
// the link or typed, who sent it and the status it left.
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
  // `who`: the client's name on the link, or "terminal".
  void Command(std::string_view who, std::string_view command, const std::string& status);

 private:
  std::ofstream out_;
};

// The log beside `ini_path`.
std::string LogPathBeside(const std::string& ini_path);

}  // namespace wnorb16
