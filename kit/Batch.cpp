#include "kit/Batch.h"

#include <vector>

#include "kit/Jobs.h"

int RunBatch(TKit& kit, size_t count, unsigned jobs,
             const std::function<size_t(size_t index, std::string& file)>& work) {
  std::vector<std::string> files(count);
  kit.Report.StartProgress(count);
  const std::vector<TJobFailure> failures = RunJobs(count, jobs, [&](size_t index) {
    const size_t frames = work(index, files[index]);
    kit.Report.Advance(frames);
  });
  kit.Report.EndProgress();
  for (const TJobFailure& failure : failures) {
    const std::string& file = files[failure.Index];
    kit.Report.Error(file.empty() ? failure.Message : file + ": " + failure.Message);
  }
  return failures.empty() ? 0 : 1;
}
