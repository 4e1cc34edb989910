// What one client of the serving engine may cost it, from the [Limits] section of WNORB.INI, so
// an administrator (and a test) can lower the bounds; none can be raised above its default,
// which every carrier of the link can take.
#pragma once

#include <cstddef>
#include <string>

#include "dde/dbus_server.hpp"

namespace wnorb16 {

inline constexpr char kLimitsSection[] = "Limits";
// Half the bus daemon's own message limit (32 MiB), so an answer always fits in one message.
inline constexpr std::size_t kMaxAnswerBytes = std::size_t{16} << 20;

struct LinkLimits {
  std::size_t answer = kMaxAnswerBytes;  // MaxAnswer=: the most of an answer the link carries
  dde::ServerLimits server;
};

// The limits in `ini_text`; a missing, unreadable or too large value keeps the default. The bytes
// a client may leave unread are at least two whole answers: its status and the outcome of one
// command go out before it can read either.
LinkLimits ParseLinkLimits(const std::string& ini_text);

// `answer` as the link carries it: at most `limit` bytes, cut at a line's end with a last line
// that says so (and, when `logged`, where the whole of it is).
std::string CutAnswer(std::string answer, std::size_t limit, bool logged);

}  // namespace wnorb16
