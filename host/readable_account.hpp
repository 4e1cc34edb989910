// A run told for a person: one line for each thing the add-in showed, asked or sent and for each
// engine outcome, the lock states as a table; no JSON. It reads the transcript's events, so it
// can stand where the transcript's stream would.
#pragma once

#include <map>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vbhost {

class ReadableAccount {
 public:
  explicit ReadableAccount(std::ostream& out) : out_(out) {}
  // One transcript event (UTF-8, as the transcript writes it).
  void Tell(const nlohmann::ordered_json& event);
  // The lock states last told, as a table, once the run is over.
  void Finish();

 private:
  void Line(const std::string& text) { out_ << text << '\n'; }
  void StatesTable();

  std::ostream& out_;
  std::vector<std::pair<std::string, long>> states_;  // in the order first told
};

// A stream buffer that takes the transcript's JSON lines and writes the account instead.
class AccountBuffer : public std::streambuf {
 public:
  explicit AccountBuffer(ReadableAccount& account) : account_(account) {}

 protected:
  int overflow(int c) override;

 private:
  ReadableAccount& account_;
  std::string line_;
};

}  // namespace vbhost
