#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <semaphore>
#include <thread>

namespace morvane::midi {

// Runs the libjack calls that wait for the server, one after another on a thread of its own,
// so that the owner thread waits for a server at most a deadline: a server stopped under a
// debugger or by a suspended session blocks libjack in read() until it resumes. A call that
// misses its deadline goes on there; until it has returned the worker is overdue and refuses
// what the owner asks it to run, so that a stalled server costs the owner one deadline.
// Everything but the thread itself runs on the owner thread.
class JackWorker {
 public:
  using Call = std::function<void()>;
  // Long enough for a server on a loaded machine, short enough that a window waiting for it
  // still feels instant.
  static constexpr std::chrono::milliseconds kDeadline{500};
  // Calls queued at most; more are dropped (see Post).
  static constexpr std::size_t kCapacity = 256;

  JackWorker();
  // Gives what is queued kDeadline to finish, none when the worker is overdue or expects no
  // answer; a thread still inside libjack then is let go with what it uses.
  ~JackWorker();
  JackWorker(const JackWorker&) = delete;
  JackWorker& operator=(const JackWorker&) = delete;

  // Runs call after what is queued and waits until it has returned, at most kDeadline; what
  // call raises is raised here. False when it did not return in time, or was not run because
  // the worker is overdue; a call that had begun goes on, and late runs after it on the
  // worker, to undo what it did.
  bool Run(Call call, Call late = {});
  // Queues call and returns at once: what must still reach the server, as closing a client.
  // False when the queue is full; call is then dropped.
  bool Post(Call call);
  // A call missed its deadline and has not returned yet.
  bool Overdue() const { return shared_->overdueCalls.load() > 0; }
  // The server behind what is queued runs no more: the destructor does not wait for it.
  void ExpectNoAnswer() { expectNoAnswer_ = true; }

 private:
  enum class JobState { Waiting, Running, Finished, Abandoned };
  struct Job {
    Call call;
    Call late;
    std::atomic<JobState> state{JobState::Waiting};
    std::binary_semaphore done{0};
    std::exception_ptr error;
  };
  // What the thread uses: it outlives the worker when the thread is let go.
  struct Shared {
    // One producer (the owner) and one consumer (the thread), without locks; a null job
    // stops the thread.
    std::array<std::shared_ptr<Job>, kCapacity + 1> jobs;
    std::atomic<std::size_t> head{0};
    std::atomic<std::size_t> tail{0};
    std::counting_semaphore<> wake{0};
    std::binary_semaphore stopped{0};
    // Calls the owner gave up on that the thread has not finished or skipped yet.
    std::atomic<int> overdueCalls{0};
  };

  bool Queue(std::shared_ptr<Job> job);
  static void Serve(Shared& shared) noexcept;
  static void Execute(Job& job, Shared& shared) noexcept;

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
  bool expectNoAnswer_ = false;
};

}  // namespace morvane::midi
