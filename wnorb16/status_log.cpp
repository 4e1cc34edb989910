#include "wnorb16/status_log.hpp"

#include <chrono>
#include <cstdio>

#include "wnorb16/engine_config.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {
// UTC, as the archives keep their dates.
std::string Now() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02u/%02u %02ld:%02ld:%02ld", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<long>(time.hours().count()), static_cast<long>(time.minutes().count()),
                static_cast<long>(time.seconds().count()));
  return text;
}
}  // namespace

StatusLog::StatusLog(const std::string& path) : out_(path, std::ios::app | std::ios::binary) {}

void StatusLog::Note(std::string_view text) {
  out_ << Now() << " " << text << "\n";
  Flush();
}

void StatusLog::Command(std::string_view who, std::string_view command, const std::string& status,
                        bool at_once) {
  out_ << Now() << " " << who << " > " << command << "\n" << status::ForPerson(status);
  if (at_once) {
    Flush();
  } else {
    holding_ = true;
  }
}

void StatusLog::Flush() {
  out_.flush();
  holding_ = false;
}

std::string LogPathBeside(const std::string& ini_path) { return BesideSettings(ini_path, kLogFileName); }

}  // namespace wnorb16
