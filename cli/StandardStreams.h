// The standard streams as a command-line tool that writes UTF-8 text needs
// them, the same on every system.
#pragma once

#include <cstdio>

namespace icnkit {

// Makes stdout and stderr write their bytes unchanged: on Windows they are
// switched out of text mode (so a line ends in "\n", not "\r\n", as on
// POSIX) and a console shows UTF-8 while the program runs. Call once, first.
void PrepareStandardStreams();

// Whether stream is an interactive terminal that understands the escape
// sequences of a progress line ("\r", "\033[K"): a tty on POSIX; on
// Windows a console, where they are switched on (consoles before Windows 10
// cannot, and count as no terminal).
bool IsTerminal(std::FILE* stream);

}  // namespace icnkit
