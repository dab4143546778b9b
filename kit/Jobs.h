// Many archives at a time (-j N). Every item is independent and writes its
// own files, so the outputs are those of one at a time whatever N is.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace icnkit {

struct TJobFailure {
  size_t Index = 0;
  std::string Message;
};

// The default of -j: the number of cores (1 when unknown).
unsigned DefaultJobs();

// Runs work(i) for every i in [0, count), up to jobs at a time (the calling
// thread and jobs - 1 more; a thread the system refuses to start only means
// fewer at a time), in order of i as far as starting goes. After the first failure no further item
// starts; those already running finish. Returns every failure, in order of
// i, each with the message of what it raised ("Out of memory" for
// std::bad_alloc; a system error's text alone).
std::vector<TJobFailure> RunJobs(size_t count, unsigned jobs,
                                 const std::function<void(size_t index)>& work);

// The message of the exception being handled (inside a catch block).
std::string CurrentExceptionMessage();

}  // namespace icnkit
