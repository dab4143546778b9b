#include "kit/Jobs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace icnkit {

unsigned DefaultJobs() {
  return std::max(1u, std::thread::hardware_concurrency());
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& error) {  // icnkit::Error: the tools' message
    return error.what();
  } catch (...) {
    return "Unknown failure";
  }
}

std::vector<TJobFailure> RunJobs(size_t count, unsigned jobs,
                                 const std::function<void(size_t index)>& work) {
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::vector<TJobFailure> failures;
  const auto worker = [&] {
    while (!stop.load()) {
      const size_t index = next.fetch_add(1);
      if (index >= count) return;
      try {
        work(index);
      } catch (...) {
        std::string message = CurrentExceptionMessage();
        stop.store(true);
        std::lock_guard lock(mutex);
        failures.push_back({index, std::move(message)});
      }
    }
  };
  // No item (a mask that matched nothing) is one worker with nothing to do.
  const size_t threads = std::max<size_t>(1, std::min<size_t>(jobs, count));
  {
    // The calling thread is one of the workers. A thread the system refuses
    // to start (a process or user thread limit) only means fewer items at a
    // time: the items are shared out by the counter, so none is lost, and
    // the run is not reported failed for it.
    std::vector<std::jthread> helpers;
    try {
      helpers.reserve(threads - 1);
      for (size_t i = 1; i < threads; ++i) helpers.emplace_back(worker);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    worker();
  }
  std::sort(failures.begin(), failures.end(),
            [](const TJobFailure& a, const TJobFailure& b) { return a.Index < b.Index; });
  return failures;
}

}  // namespace icnkit
