// The person at the interactive engine, answering from a script and noting what was asked.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "wnorb16/interaction.hpp"

namespace wnorb16::testing {

class ScriptedInteraction : public Interaction {
 public:
  std::deque<std::optional<std::string>> revisions;
  std::deque<std::string> messages;
  std::deque<std::optional<EngineConfig>> configs;
  std::vector<std::string> asked;

  std::optional<std::string> AskRevision(std::string_view file, bool extract) override {
    asked.push_back(std::string(extract ? "extract revision of " : "new revision of ") + std::string(file));
    return Next(revisions);
  }
  std::string AskLogMessage(std::string_view request, std::string_view default_message) override {
    asked.push_back("log message for " + std::string(request) + ", default " + std::string(default_message));
    return Next(messages);
  }
  std::optional<EngineConfig> EditConfig(const EngineConfig& current) override {
    asked.push_back("settings, user " + current.user_id);
    return Next(configs);
  }

 private:
  template <typename T>
  T Next(std::deque<T>& answers) {
    if (answers.empty()) {
      ADD_FAILURE() << "asked without an answer: " << asked.back();
      return T();
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }
};

}  // namespace wnorb16::testing
