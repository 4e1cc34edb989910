// The engine without a terminal keeps what it did in WNORB.LOG beside its settings: every
// command that came over the link and the status it left.
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
  void Command(std::string_view command, const std::string& status);

 private:
  std::ofstream out_;
};

// The log beside `ini_path`.
std::string LogPathBeside(const std::string& ini_path);

}  // namespace wnorb16
