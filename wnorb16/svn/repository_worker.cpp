#include "wnorb16/svn/repository_worker.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace wnorb16::svn {

// What a worker thread and the engine share.
struct RepositoryWorker::Thread {
  std::mutex mutex;
  std::condition_variable wake;  // a job came, or the end
  std::condition_variable done;  // the job finished
  std::function<void(SvnClient&)> job;
  bool busy = false;  // a job is taken and not finished
  // When the job last heard from the repository (or got on with the working copy), in steady
  // clock ticks.
  std::atomic<std::chrono::steady_clock::rep> heard{0};
  bool end = false;
  std::string user;
  std::thread thread;

  // The thread holds a share of its state until it ends, so an abandoned one never touches freed
  // memory, whatever became of the engine.
  static std::shared_ptr<Thread> Start(const std::string& config_dir) {
    auto started = std::make_shared<Thread>();
    started->thread = std::thread([started, config_dir] { started->Serve(config_dir); });
    return started;
  }

  void Serve(const std::string& config_dir) {
    SvnClient client;
    // A configuration Subversion cannot use fails each request with the reason, as the engine's
    // own client says it at CONFIG.
    (void)client.Configure(config_dir);
    client.OnActivity([this] { heard = std::chrono::steady_clock::now().time_since_epoch().count(); });
    std::unique_lock lock(mutex);
    while (true) {
      wake.wait(lock, [&] { return end || job != nullptr; });
      if (job == nullptr) return;
      std::function<void(SvnClient&)> taken = std::move(job);
      job = nullptr;
      lock.unlock();
      taken(client);
      lock.lock();
      user = client.user();
      busy = false;
      const bool ending = end;
      // Told once the lock is free, so the engine's thread wakes to take it, not to wait for it.
      lock.unlock();
      done.notify_all();
      if (ending) return;
      lock.lock();
    }
  }
};

RepositoryWorker::~RepositoryWorker() {
  if (thread_) {
    {
      std::lock_guard lock(thread_->mutex);
      thread_->end = true;
    }
    thread_->wake.notify_all();
    thread_->thread.join();
  }
  for (const auto& thread : abandoned_) {
    std::lock_guard lock(thread->mutex);
    thread->end = true;
  }
}

void RepositoryWorker::Configure(const std::string& config_dir) {
  if (config_dir == config_dir_) return;
  config_dir_ = config_dir;
  user_.clear();
  if (!thread_) return;
  {
    std::lock_guard lock(thread_->mutex);
    thread_->end = true;
  }
  thread_->wake.notify_all();
  thread_->thread.join();
  thread_.reset();
}

bool RepositoryWorker::Run(std::function<void(SvnClient&)> job, std::chrono::milliseconds bound) {
  // A server that hangs for hours leaves one thread and one connection per try; past a few, the
  // engine does not add to them.
  if (Stuck() && abandoned_.size() >= kMostAbandoned) return false;
  if (!thread_) thread_ = Thread::Start(config_dir_);
  std::shared_ptr<Thread> thread = thread_;
  std::unique_lock lock(thread->mutex);
  thread->job = std::move(job);
  thread->busy = true;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  thread->heard = start.time_since_epoch().count();
  // As the worker tells its end: once the lock is free.
  lock.unlock();
  thread->wake.notify_all();
  lock.lock();
  bool overran = false;
  while (thread->busy) {
    const Clock::time_point silent_until = Clock::time_point(Clock::duration(thread->heard.load())) + bound;
    const Clock::time_point until = std::min(silent_until, start + kMostWait);
    const Clock::time_point now = Clock::now();
    if (now >= until) {
      overran = true;
      break;
    }
    thread->done.wait_until(lock, serve_ ? std::min(until, now + kServeEvery) : until);
    if (thread->busy && serve_) {
      // The request's thread may finish meanwhile; it is looked at again after.
      lock.unlock();
      serve_();
      lock.lock();
    }
  }
  if (overran) {
    // It ends by itself when libsvn returns.
    thread->end = true;
    thread->thread.detach();
    abandoned_.push_back(thread);
    thread_.reset();
    return false;
  }
  if (!thread->user.empty()) user_ = thread->user;
  return true;
}

bool RepositoryWorker::Stuck() {
  std::erase_if(abandoned_, [](const std::shared_ptr<Thread>& thread) {
    std::lock_guard lock(thread->mutex);
    return !thread->busy;
  });
  return !abandoned_.empty();
}

}  // namespace wnorb16::svn
