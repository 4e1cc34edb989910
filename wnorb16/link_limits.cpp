#include "wnorb16/link_limits.hpp"

#include <algorithm>
#include <charconv>
#include <optional>

#include "posix/private_profile.hpp"
#include "wnorb16/engine_config.hpp"

namespace wnorb16 {

namespace {

// The smallest answer limit taken: the line that says an answer was cut must fit.
constexpr std::size_t kLeastAnswer = 1024;

std::optional<std::size_t> Number(const std::string& ini_text, const char* key) {
  const auto text = posix::FindProfileValue(ini_text, kLimitsSection, key);
  if (!text || text->empty()) return std::nullopt;
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

// Lowers `bound` to the setting `key`, never below `least`.
template <typename T>
void Lower(const std::string& ini_text, const char* key, T& bound, std::size_t least) {
  if (auto value = Number(ini_text, key); value && *value < static_cast<std::size_t>(bound)) {
    bound = static_cast<T>(std::max(*value, least));
  }
}

std::string Thousands(std::size_t n) {
  std::string digits = std::to_string(n);
  for (auto at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace

LinkLimits ParseLinkLimits(const std::string& ini_text) {
  LinkLimits limits;
  dde::ServerLimits& server = limits.server;
  Lower(ini_text, "MaxAnswer", limits.answer, kLeastAnswer);
  Lower(ini_text, "DirectPerClient", server.direct_per_client, 0);
  Lower(ini_text, "DirectInAll", server.direct_in_all, 0);
  Lower(ini_text, "MaxUnread", server.unread, 0);
  Lower(ini_text, "MaxMessage", server.message, 1024);
  if (auto seconds = Number(ini_text, "MessageSeconds");
      seconds && *seconds * 1000 < std::size_t(server.message_ms)) {
    server.message_ms = static_cast<int>(std::max<std::size_t>(*seconds, 1) * 1000);
  }
  // The reserve guards the engine's own work, so it may be raised as well as lowered.
  if (auto reserve = Number(ini_text, "DescriptorReserve"); reserve && *reserve < 1u << 20) {
    server.descriptor_reserve = static_cast<int>(*reserve);
  }
  server.unread = std::max(server.unread, 2 * limits.answer + 4096);
  return limits;
}

std::string CutAnswer(std::string answer, std::size_t limit, bool logged) {
  if (answer.size() <= limit) return answer;
  const std::string said = "ANSWER CUT: it is " + Thousands(answer.size()) +
                           " bytes long; the link carries at most " + Thousands(limit) + "." +
                           (logged ? std::string(" The whole answer is in ") + kLogFileName + "." : "") +
                           "\r\n";
  const std::size_t room = limit > said.size() ? limit - said.size() : 0;
  std::size_t end = room >= 2 ? answer.rfind("\r\n", room - 2) : std::string::npos;
  if (end != std::string::npos && end + 2 >= room / 2) {
    end += 2;
  } else {
    // A line longer than half the room (a history's 40 MB comment): its start is kept, cut
    // between characters and ended, so the line's first fields are read as ever.
    end = room >= 2 ? room - 2 : 0;
    while (end > 0 && (static_cast<unsigned char>(answer[end]) & 0xC0) == 0x80) --end;
    answer.replace(end, std::string::npos, "\r\n");
    end += 2;
  }
  answer.resize(end);
  return answer + said;
}

}  // namespace wnorb16
