// The engine as the DDE application "WNORB16": executes arrive on topic "frmMain", the answer
// goes to item "txtStatus" of topic "frmCmd" before the execute returns, because the add-in
// reads it right after its LinkExecute. Commands and answers are UTF-8 here, as the link and the
// terminal carry them; the engine itself works in the active code page.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dde/server_application.hpp"
#include "wnorb16/engine.hpp"

namespace wnorb16 {

inline constexpr char kApplicationName[] = "WNORB16";
inline constexpr char kCommandTopic[] = "frmMain";
inline constexpr char kStatusTopic[] = "frmCmd";
inline constexpr char kStatusItem[] = "txtStatus";

// The engine's answer to a UTF-8 command, in UTF-8.
std::string ExecuteUtf8(Engine& engine, std::string_view command);

class EngineServer {
 public:
  // Told each command that came over the link and the status it left, after the status is set.
  using Observer = std::function<void(std::string_view command, const std::string& status)>;

  explicit EngineServer(Engine& engine, Observer observer = {});

  // The application to publish on a transport.
  std::shared_ptr<dde::ServerApplication> application() const { return application_; }

  // A command typed at the terminal: handled as one from the link, its status published too and
  // answered, the observer not told.
  std::string Execute(std::string_view command);

 private:
  Engine& engine_;
  Observer observer_;
  std::shared_ptr<dde::ServerApplication> application_;
  dde::ServerTopic* status_topic_;
};

}  // namespace wnorb16
