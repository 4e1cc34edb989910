// The client's pump: delivers whatever came on the bus and on every direct connection, on the
// caller's thread, and carries a callback's exception past the libraries' C frames.
#include <poll.h>

#include <utility>
#include <vector>

#include "dde/dbus_client.hpp"

namespace dde::dbus {

bool DirectLink::Queued() const {
  uint64_t until = 0;
  return sd_bus_get_timeout(Bus(), &until) > 0 && until == 0;
}

// One poll of them all asks whether anything came, where a read of each would cost a system
// call per connection even when, as after most calls, nothing has.
void Client::Drain() {
  if (!connection) return;
  std::vector<pollfd> fds;
  std::vector<DirectLink*> links;  // beside fds; null for the bus
  while (!callback_failure) {
    fds.clear();
    links.clear();
    bool bus_queued = false;
    try {
      const sdbus::IConnection::PollData bus_data = connection->getEventLoopPollData();
      fds.push_back({bus_data.fd, bus_data.events, 0});
      links.push_back(nullptr);
      bus_queued = bus_data.timeout_usec == 0;
    } catch (const sdbus::Error&) {
      // The bus is lost; the direct connections may still be there.
    }
    bool queued = bus_queued;
    // A callback may initiate, which adds to the map but never removes from it.
    for (auto& [server, link] : directs) {
      if (!link || !link->Open()) continue;
      const int fd = sd_bus_get_fd(link->Bus()), events = sd_bus_get_events(link->Bus());
      if (fd < 0 || events < 0) continue;
      fds.push_back({fd, static_cast<short>(events), 0});
      links.push_back(link.get());
      queued = queued || link->Queued();
    }
    const int ready = ::poll(fds.data(), fds.size(), 0);
    if (ready <= 0 && !queued) break;
    // A connection that is ready yet does nothing (one that hung up) must not keep us here.
    bool progressed = false;
    for (std::size_t i = 0; i < fds.size() && !callback_failure; ++i) {
      if (links[i] == nullptr) {
        if (fds[i].revents != 0 || bus_queued) progressed = ProcessBus() || progressed;
      } else if (fds[i].revents != 0 || links[i]->Queued()) {
        progressed = (links[i]->Open() && sd_bus_process(links[i]->Bus(), nullptr) > 0) || progressed;
        Process(*links[i]);
      }
    }
    if (!progressed) break;
  }
  Rethrow();
}

// One step of the bus connection, and whatever it had queued besides; whether it did anything.
bool Client::ProcessBus() {
  try {
    if (!connection->processPendingRequest()) return false;
    while (!callback_failure && connection->getEventLoopPollData().timeout_usec == 0 &&
           connection->processPendingRequest()) {
    }
    return true;
  } catch (const sdbus::Error&) {
    // The connection is lost; conversations learn it at their next call.
    return false;
  }
}

// Delivers what one direct connection has already read (after a call, the item changes the
// server sent before its answer); what is still in the socket waits for the next Drain. A lost
// connection shows at its next call.
void Client::Process(DirectLink& link) {
  while (!callback_failure && link.Open() && link.Queued() && sd_bus_process(link.Bus(), nullptr) > 0) {
  }
}

void Client::Rethrow() {
  if (callback_failure) std::rethrow_exception(std::exchange(callback_failure, nullptr));
}

void Client::Deliver(const ItemChangeSink& sink, std::string_view item, const std::string& text) {
  try {
    sink(item, text);
  } catch (...) {
    callback_failure = std::current_exception();
  }
}

}  // namespace dde::dbus
