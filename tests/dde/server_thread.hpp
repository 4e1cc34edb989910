// A DbusServer on a thread of its own, served the way the engine program serves it beside its
// terminal: a poll() over the bus and another descriptor (here a pipe that carries work from the
// test), with ProcessPending whenever the bus has something.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "dde/dbus_server.hpp"

namespace testing_support {

class ServerThread {
 public:
  using Make = std::function<std::shared_ptr<dde::ServerApplication>()>;

  // Makes the application and publishes it on the bus at `address` after `delay`.
  ServerThread(std::string address, Make make, std::chrono::milliseconds delay = {})
      : address_(std::move(address)), make_(std::move(make)), delay_(delay) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) std::abort();
    thread_ = std::thread([this] { Serve(); });
  }
  // Leaves the bus.
  ~ServerThread() {
    Post(nullptr);
    thread_.join();
    ::close(wake_[0]);
    ::close(wake_[1]);
  }
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  // Runs `work` on the server's thread, with its application, and waits for it. Waiting is
  // bounded; a server that does not answer ends the test binary rather than hang it.
  void Do(std::function<void(dde::ServerApplication&)> work) {
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    Post([work = std::move(work), done](dde::ServerApplication& application) {
      work(application);
      done->set_value();
    });
    if (finished.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "the server thread did not run the work";
      std::abort();
    }
  }

 private:
  using Work = std::function<void(dde::ServerApplication&)>;

  void Post(Work work) {
    {
      std::lock_guard lock(mutex_);
      work_.push_back(std::move(work));
    }
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(wake_[1], &byte, 1);
  }

  // False when told to stop.
  bool RunPosted(dde::ServerApplication* application) {
    char bytes[64];
    while (::read(wake_[0], bytes, sizeof bytes) > 0) {
    }
    std::deque<Work> work;
    {
      std::lock_guard lock(mutex_);
      work.swap(work_);
    }
    for (auto& w : work) {
      if (!w) return false;
      if (application) w(*application);
    }
    return true;
  }

  void Serve() {
    pollfd wait_fd{wake_[0], POLLIN, 0};
    for (auto until = std::chrono::steady_clock::now() + delay_; std::chrono::steady_clock::now() < until;) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (::poll(&wait_fd, 1, static_cast<int>(left.count())) > 0 && !RunPosted(nullptr)) return;
    }
    try {
      auto application = make_();
      dde::DbusServer server(application, address_);
      while (true) {
        server.ProcessPending();
        const auto bus = server.GetPollData();
        pollfd fds[2] = {{bus.fd, bus.events, 0}, {wake_[0], POLLIN, 0}};
        ::poll(fds, 2, bus.timeout_ms);
        if (!RunPosted(application.get())) return;
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << "server thread: " << e.what();
      while (true) {
        ::poll(&wait_fd, 1, -1);
        if (!RunPosted(nullptr)) return;
      }
    }
  }

  std::string address_;
  Make make_;
  std::chrono::milliseconds delay_;
  int wake_[2] = {-1, -1};
  std::mutex mutex_;
  std::deque<Work> work_;
  std::thread thread_;
};

}  // namespace testing_support
