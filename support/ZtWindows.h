// ZtWindows: <windows.h> for the files that call Win32 directly (the Win32
// platform layer and the Windows-only tests).
//
// <windows.h> maps names such as CreateFile or MessageBox to their A/W forms
// with macros, which would rename the methods of TZtPlatform in these files
// only. The macros are removed here; the code calls the A functions by their
// full names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef CreateFile
#undef DeleteFile
#undef FormatMessage
#undef GetFileAttributes
#undef GetFullPathName
#undef GetModuleFileName
#undef GetPrivateProfileString
#undef MessageBox
#undef WritePrivateProfileString
