#include "midi/backends/jack/jack_worker.h"

namespace morvane::midi {

namespace {
std::size_t Next(std::size_t index) {
  return (index + 1) % (JackWorker::kCapacity + 1);
}
}  // namespace

JackWorker::JackWorker() : shared_(std::make_shared<Shared>()) {}

JackWorker::~JackWorker() {
  if (!thread_.joinable()) {
    return;
  }
  const bool wait = !Overdue() && !expectNoAnswer_;
  if (Queue(nullptr) && wait && shared_->stopped.try_acquire_for(kDeadline)) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

bool JackWorker::Queue(std::shared_ptr<Job> job) {
  if (!thread_.joinable()) {
    // Made at the first call, so that a process that never meets a server has no thread.
    thread_ = std::thread([shared = shared_] { Serve(*shared); });
  }
  const std::size_t tail = shared_->tail.load(std::memory_order_relaxed);
  const std::size_t next = Next(tail);
  if (next == shared_->head.load(std::memory_order_acquire)) {
    return false;
  }
  shared_->jobs[tail] = std::move(job);
  shared_->tail.store(next, std::memory_order_release);
  shared_->wake.release();
  return true;
}

bool JackWorker::Run(Call call, Call late) {
  if (Overdue()) {
    return false;
  }
  auto job = std::make_shared<Job>();
  job->call = std::move(call);
  job->late = std::move(late);
  if (!Queue(job)) {
    return false;
  }
  if (!job->done.try_acquire_for(kDeadline)) {
    // Counted before the job is given up, so that the thread, which counts it off once it
    // is through with it, never finds the count short.
    shared_->overdueCalls.fetch_add(1);
    JobState seen = job->state.load();
    while (seen != JobState::Finished) {
      if (job->state.compare_exchange_weak(seen, JobState::Abandoned)) {
        return false;
      }
    }
    // It returned just now.
    shared_->overdueCalls.fetch_sub(1);
    job->done.acquire();
  }
  if (job->error) {
    std::rethrow_exception(job->error);
  }
  return true;
}

bool JackWorker::Post(Call call) {
  auto job = std::make_shared<Job>();
  job->call = std::move(call);
  return Queue(std::move(job));
}

void JackWorker::Serve(Shared& shared) noexcept {
  for (;;) {
    shared.wake.acquire();
    const std::size_t head = shared.head.load(std::memory_order_relaxed);
    const std::shared_ptr<Job> job = std::move(shared.jobs[head]);
    shared.head.store(Next(head), std::memory_order_release);
    if (!job) {
      shared.stopped.release();
      return;
    }
    Execute(*job, shared);
  }
}

void JackWorker::Execute(Job& job, Shared& shared) noexcept {
  JobState expected = JobState::Waiting;
  if (!job.state.compare_exchange_strong(expected, JobState::Running)) {
    // Given up before it began: the server has not answered what came before it.
    shared.overdueCalls.fetch_sub(1);
    return;
  }
  try {
    job.call();
  } catch (...) {
    job.error = std::current_exception();
  }
  expected = JobState::Running;
  if (job.state.compare_exchange_strong(expected, JobState::Finished)) {
    job.done.release();
    return;
  }
  // The owner has gone on without it; late undoes what it did and never raises.
  if (job.late) {
    job.late();
  }
  shared.overdueCalls.fetch_sub(1);
}

}  // namespace morvane::midi
