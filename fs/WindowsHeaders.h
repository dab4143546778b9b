// <windows.h> as every Windows file of icnkit includes it: without the
// rarely used parts (WIN32_LEAN_AND_MEAN), without the min and max macros
// (NOMINMAX), and without the CopyFile macro, which would rename
// TFileSystem::CopyFile to CopyFileW.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef CopyFile

namespace icnkit {}  // namespace icnkit
