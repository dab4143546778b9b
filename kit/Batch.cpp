#include "kit/Batch.h"

#include <string>
#include <vector>

#include "icnkit/error.h"
#include "kit/Jobs.h"

namespace icnkit {

int RunBatch(TKit& kit, size_t count, unsigned jobs,
             const std::function<size_t(size_t index, std::string& file)>& work) {
  std::vector<std::string> files(count);
  kit.Report.StartProgress(count);
  const std::vector<TJobFailure> failures = RunJobs(count, jobs, [&](size_t index) {
    size_t frames = 0;
    try {
      frames = work(index, files[index]);
    } catch (const icnkit::Error& error) {
      if (files[index].empty()) files[index] = error.File();
      throw;
    }
    kit.Report.Advance(frames);
  });
  kit.Report.EndProgress();
  for (const TJobFailure& failure : failures) {
    const std::string& file = files[failure.Index];
    // A message that names its file already (the PNG reader's do) is not
    // prefixed with it a second time.
    const bool named = file.empty() || failure.Message.find(file) != std::string::npos;
    kit.Report.Error(named ? failure.Message : file + ": " + failure.Message);
  }
  return failures.empty() ? 0 : 1;
}

}  // namespace icnkit
