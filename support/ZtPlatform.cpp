// The process-wide platform accessor, shared by every platform build.
#include "support/ZtPlatform.h"

namespace {
TZtPlatform* CurrentPlatform = nullptr;
}  // namespace

TZtPlatform& ZtPlatform() {
  return CurrentPlatform ? *CurrentPlatform : NativeZtPlatform();
}

TZtPlatform* SetZtPlatform(TZtPlatform* platform) {
  TZtPlatform* previous = CurrentPlatform ? CurrentPlatform : &NativeZtPlatform();
  CurrentPlatform = platform;
  return previous;
}
