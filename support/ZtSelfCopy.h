// Helpers shared by the four tools' command lines.
#pragma once

#include <string>

// ":copyexe": copies the running executable to a file of the program's own
// executable name ("dravel" on POSIX, "Dravel.exe" on Windows) in the
// current folder, keeping its mode bits. When both are the same file nothing
// is written. True when the copy exists afterwards.
bool CopySelfToCurrentFolder(const std::string& programName);

// The three credit lines that end every usage text, joined by CR LF.
extern const char* const kCreditLines;
// The version shown in the first usage line.
extern const char* const kToolVersion;
