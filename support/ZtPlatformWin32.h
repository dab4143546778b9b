// Hooks of the Win32 platform layer for tests: the message box function and
// the way boxes are presented, which a test replaces to see the arguments
// that would reach MessageBoxA without showing a window.
#pragma once

#include <cstdint>

// MessageBoxA's signature without the calling-convention and handle types.
using TZtMessageBoxFunction = int (*)(void* owner, const char* text, const char* caption,
                                      uint32_t type);

// Replaces the function behind the Win32 MessageBox (nullptr restores
// MessageBoxA) and returns the previous one.
TZtMessageBoxFunction SetZtMessageBoxFunction(TZtMessageBoxFunction function);

// Console mode: boxes are written to stdout / stderr as on POSIX instead of
// being shown. Decided once when the platform starts (see the .cpp); a test
// may change it. Returns the previous mode.
bool SetZtConsoleMode(bool console);
