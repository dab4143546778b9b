// TZtFindFile lives in fs/FindFile.h; this header stays for the callers of
// its constructor over the platform layer until they pass a TFileSystem.
#pragma once

#include "fs/FindFile.h"
#include "support/ZtPlatform.h"

static_assert(kFindFolder == kFileAttributeDirectory && kFindFile == kFileAttributeNormal);
