// What a tool works with, created in main and passed down: the file system
// and the sink of the final message. Nothing below main reaches either
// through a global.
#pragma once

#include "cli/Report.h"
#include "fs/FileSystem.h"

namespace icnkit {

struct TToolContext {
  TFileSystem& Fs;
  TReportSink& Report;
};

}  // namespace icnkit
