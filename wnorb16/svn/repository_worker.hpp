// The engine's requests to a Subversion repository, each waited for at most a bound. libsvn's
// svn:// client has no read time-out: a server that stops answering (stopped, or behind a proxy
// that stops forwarding) blocks the thread the request runs on for good. So a request runs on a
// worker thread with a Subversion client of its own, and the engine's thread waits for it at most
// RepositoryTimeout. A request that overruns is abandoned, not stopped: its thread keeps its
// client, pools and any working-copy lock until libsvn returns (the server answers or the
// connection drops), finishes or unwinds its work as libsvn always does, and then ends. The next
// request gets a new thread. A child process per request could be killed instead, but a killed
// libsvn leaves its working-copy lock and unfinished work behind for `svn cleanup`; a thread that
// finishes late leaves the working copy as libsvn leaves it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wnorb16/svn/svn_client.hpp"

namespace wnorb16::svn {

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

  // Runs `task` on the worker and waits at most `bound` for it; nullopt when it overran and was
  // abandoned. The task must own what it uses: it may outlive the call.
  template <typename T>
  std::optional<T> Call(std::function<T(SvnClient&)> task, std::chrono::milliseconds bound) {
    auto result = std::make_shared<std::optional<T>>();
    if (!Run([result, task = std::move(task)](SvnClient& client) { *result = task(client); }, bound))
      return std::nullopt;
    return std::move(*result);
  }

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
};

}  // namespace wnorb16::svn
