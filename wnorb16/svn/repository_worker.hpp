// The engine's requests to a Subversion repository, each waited for within bounds. libsvn's
// svn:// client has no read time-out: a server that stops answering (stopped, or behind a proxy
// that stops forwarding) blocks the thread the request runs on for good. So a request runs on a
// worker thread with a Subversion client of its own, and the engine's thread waits for it while
// the repository keeps talking, until RepositoryTimeout passes without a word from it (a large
// commit is not a hung server), and kMostWait at most. A request that overruns is abandoned, not
// stopped: its thread keeps its
// client, pools and any working-copy lock until libsvn returns (the server answers or the
// connection drops), finishes or unwinds its work as libsvn always does, and then ends. The next
// request gets a new thread. A child process per request could be killed instead, but a killed
// libsvn leaves its working-copy lock and unfinished work behind for `svn cleanup`; a thread that
// finishes late leaves the working copy as libsvn leaves it.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wnorb16/svn/svn_client.hpp"

namespace wnorb16::svn {

// The longest a request is waited for, however busy the repository: the add-in gives up on an
// answer after 25 s.
inline constexpr std::chrono::seconds kMostWait{20};
// How many abandoned requests may still hang before the repository is taken as out of reach
// without another try.
inline constexpr std::size_t kMostAbandoned = 16;
// How often the engine's other clients are served while a request is waited for; a request that
// answers sooner (nearly every one) costs no serving.
inline constexpr std::chrono::milliseconds kServeEvery{20};

class RepositoryWorker {
 public:
  RepositoryWorker() = default;
  // Hands the idle thread its end; abandoned ones end when libsvn lets them.
  ~RepositoryWorker();
  RepositoryWorker(const RepositoryWorker&) = delete;
  RepositoryWorker& operator=(const RepositoryWorker&) = delete;

  // The Subversion configuration folder the clients read ("" for the user's own); a change takes
  // effect with the next thread.
  void Configure(const std::string& config_dir);

  // Runs `task` on the worker and waits for it until `bound` passes without a word from the
  // repository, or kMostWait; nullopt when it overran and was abandoned. The task must own what it uses: it
  // may outlive the call.
  template <typename T>
  std::optional<T> Call(std::function<T(SvnClient&)> task, std::chrono::milliseconds bound) {
    auto result = std::make_shared<std::optional<T>>();
    if (!Run([result, task = std::move(task)](SvnClient& client) { *result = task(client); }, bound))
      return std::nullopt;
    return std::move(*result);
  }

  // Called now and then while a request is waited for; it must not send one.
  void WhileWaiting(std::function<void()> serve) { serve_ = std::move(serve); }

  // Whether a request abandoned before is still under way (it may hold the working copy's lock).
  bool Stuck();
  // The user the repository took the credentials of, as the last finished request learned it.
  const std::string& user() const { return user_; }

  struct Thread;

 private:
  bool Run(std::function<void(SvnClient&)> job, std::chrono::milliseconds bound);

  std::string config_dir_;
  std::shared_ptr<Thread> thread_;  // the idle worker; null until the first request
  std::vector<std::shared_ptr<Thread>> abandoned_;
  std::string user_;
  std::function<void()> serve_;
};

}  // namespace wnorb16::svn
