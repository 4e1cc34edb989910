// The person at the interactive engine, asked what the add-in's commands leave open: a
// revision, a log message, new settings. The engine serving the link without a terminal has
// nobody to ask and refuses what needs an answer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "wnorb16/engine_config.hpp"

namespace wnorb16 {

class Interaction {
 public:
  virtual ~Interaction() = default;

  // The revision to extract for `file`, or to check it in as; "" for the engine's own choice,
  // nullopt to leave the file alone.
  virtual std::optional<std::string> AskRevision(std::string_view file, bool extract) = 0;
  // The log message for the files of one update; "" takes `default_message`.
  virtual std::string AskLogMessage(std::string_view request, std::string_view default_message) = 0;
  // New settings; nullopt keeps the current ones.
  virtual std::optional<EngineConfig> EditConfig(const EngineConfig& current) = 0;
};

}  // namespace wnorb16
