// Helpers shared by the four tools' command lines.
#pragma once

#include <string>
#include <vector>

// ":copyexe": copies the running executable to a file of the program's own
// executable name ("dravel" on POSIX, "Dravel.exe" on Windows) in the
// current folder, keeping its mode bits, then each companion file (a full
// path) under its own name beside it. A copy whose source and target are the
// same file writes nothing. Raises "Cannot copy to "%s". %s" (the target,
// made absolute where the current folder still exists, and the system's
// text) for the first copy that fails.
void CopySelfToCurrentFolder(const std::string& programName,
                             const std::vector<std::string>& companions = {});

// The three credit lines that end every usage text, joined by CR LF.
extern const char* const kCreditLines;
// The version shown in the first usage line.
extern const char* const kToolVersion;
