// The standard streams as a command-line tool that writes UTF-8 text needs
// them, the same on every system.
#pragma once

#include <cstdio>

// Makes stdout and stderr write their bytes unchanged: on Windows they are
// switched out of text mode (so a line ends in "\n", not "\r\n", as on
// POSIX) and a console shows UTF-8 while the program runs. Call once, first.
void PrepareStandardStreams();

// Whether stream is an interactive terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);
