// The server's poll loop: the bus connection and every direct connection as one descriptor, read
// only where something came.
#include <poll.h>
#include <sys/epoll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "dde/dbus_server_impl.hpp"

namespace dde {

using dbus::Thousands;

void DbusServer::Impl::Arm(int fd, uint32_t& armed, uint32_t events) {
  if (armed == events) return;
  epoll_event event{};
  event.events = events;
  event.data.fd = fd;
  ::epoll_ctl(epoll_fd, armed == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, fd, &event);
  armed = events;
}

namespace {

uint64_t MonotonicUs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

// Whether a connection has work without a read: messages it has read and queued, or a time-out
// that has come.
bool Due(uint64_t until, uint64_t now_us) { return until == 0 || until <= now_us; }

}  // namespace

DbusServer::PollData DbusServer::GetPollData() const {
  Impl& impl = *impl_;
  // One command a turn: the caller may look for its end between two.
  if (!impl.Reading()) return {impl.epoll_fd, POLLIN, 0};
  const auto data = impl.connection->getEventLoopPollData();
  int timeout_ms = data.getPollTimeout();
  impl.Arm(impl.bus_fd, impl.bus_armed, static_cast<uint32_t>(data.events));
  const uint64_t now_us = MonotonicUs();
  for (auto& peer : impl.peers) {
    if (!peer.closing.empty()) return {impl.epoll_fd, POLLIN, 0};
    if (const int events = sd_bus_get_events(peer.bus); events > 0) {
      impl.Arm(peer.fd, peer.armed, static_cast<uint32_t>(events));
    }
    uint64_t until = 0;
    if (sd_bus_get_timeout(peer.bus, &until) < 0) until = UINT64_MAX;
    if (peer.partial_since_us != 0) until = std::min(until, impl.Deadline(peer));
    if (until == UINT64_MAX) continue;
    const int ms =
        until <= now_us ? 0 : static_cast<int>(std::min<uint64_t>((until - now_us + 999) / 1000, 1 << 30));
    timeout_ms = timeout_ms < 0 ? ms : std::min(timeout_ms, ms);
  }
  return {impl.epoll_fd, POLLIN, timeout_ms};
}

void DbusServer::ProcessPending() {
  Impl& impl = *impl_;
  impl.ReadAll();
  // Called while a command runs (it waits for something slow): only what can run beside it.
  if (impl.running) {
    impl.RunBeside();
  } else {
    impl.RunNext();
  }
}

void DbusServer::ServeBeside() {
  Impl& impl = *impl_;
  // A command of the application's own (one typed at a terminal) may be the one in hand.
  const std::optional<ClientId> outer = impl.running;
  if (!impl.running) impl.running = ClientId();
  impl.ReadAll();
  impl.RunBeside();
  impl.running = outer;
}

void DbusServer::Impl::ReadAll() {
  Impl& impl = *this;
  // One look at the poll set tells which connections have something; only those are read, so a
  // quiet one costs no read that finds nothing. What is left in a socket keeps the set ready for
  // the caller's next poll.
  epoll_event ready[16];
  const int count = ::epoll_wait(impl.epoll_fd, ready, 16, 0);
  auto is_ready = [&](int fd) {
    for (int i = 0; i < count; ++i) {
      if (ready[i].data.fd == fd) return true;
    }
    return false;
  };
  const uint64_t now_us = MonotonicUs();
  auto bus_due = [&] {
    const uint64_t until = impl.connection->getEventLoopPollData().timeout_usec;
    return until != UINT64_MAX && Due(until, now_us);
  };
  if (impl.Reading() && (is_ready(impl.bus_fd) || bus_due())) {
    while (impl.connection->processPendingRequest() && impl.Reading() &&
           impl.connection->getEventLoopPollData().timeout_usec == 0) {
    }
  }
  for (auto peer = impl.peers.begin(); peer != impl.peers.end();) {
    int done = 0;
    uint64_t until = UINT64_MAX;
    if (peer->closing.empty() && impl.Reading() &&
        (is_ready(peer->fd) || (sd_bus_get_timeout(peer->bus, &until) > 0 && Due(until, now_us)))) {
      done = impl.Read(*peer, now_us);
    }
    if (peer->partial_since_us != 0 && Due(impl.Deadline(*peer), now_us)) {
      impl.Close(*peer, "its client left a message unfinished for more than " +
                            Thousands(static_cast<std::size_t>(impl.limits.message_ms)) + " ms");
    }
    if (!peer->closing.empty()) {
      if (impl.note) impl.note("closed the direct connection of " + peer->client + ": " + peer->closing);
      impl.Drop(peer++);
    } else if (done < 0 || sd_bus_is_open(peer->bus) <= 0) {
      // A peer that hung up is gone; the server serves on.
      impl.Drop(peer++);
    } else {
      ++peer;
    }
  }
}

void DbusServer::Run() {
  while (true) {
    const PollData data = GetPollData();
    pollfd fds[2] = {{data.fd, data.events, 0}, {impl_->stop_fd, POLLIN, 0}};
    if (::poll(fds, 2, data.timeout_ms) < 0 && errno != EINTR) throw std::runtime_error("poll failed");
    if (fds[1].revents != 0) {
      uint64_t count = 0;
      [[maybe_unused]] const auto taken = ::read(impl_->stop_fd, &count, sizeof count);
      return;
    }
    ProcessPending();
  }
}

void DbusServer::Stop() {
  const uint64_t one = 1;
  [[maybe_unused]] const auto given = ::write(impl_->stop_fd, &one, sizeof one);
}

}  // namespace dde
