// Helpers shared by the tests: temporary folders, whole-file I/O, running
// the built executables, the message of an exception, the native file
// system, and a report sink that keeps the messages. The file system with
// failures on demand is tests/MemoryFileSystem.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cli/Report.h"
#include "fs/FileSystem.h"
#include "fs/Path.h"

using namespace icnkit;

// A fresh folder under the system's temporary folder, removed (recursively)
// when the object dies. Path() ends with '/'.
class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::string& Path() const { return Path_; }
  std::string operator/(const std::string& name) const { return Path_ + name; }

 private:
  std::string Path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// Names in a folder (no "." and ".."), sorted bytewise.
std::vector<std::string> ListNames(const std::string& folder);
// Every file below folder (ending with '/'): its name relative to folder,
// with '/' between folders, and its bytes.
std::map<std::string, std::vector<uint8_t>> FilesBelow(const std::string& folder);

// Result of running a program of build/bin.
struct TRunResult {
  int ExitCode = -1;
  std::string Stdout;
  std::string Stderr;
};
// Runs build/bin/<program> with args in workingFolder (empty: current).
// setup runs in the child before exec (e.g. setrlimit), may be empty.
TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workingFolder = {},
                      const std::function<void()>& setup = {});
// Sets the environment variable name to value in this process (for a
// RunProgram setup, in the child).
void SetEnvironment(const char* name, const char* value);
// Full path of build/bin/<program>.
std::string BinPath(const std::string& program);
// Folder of committed test data (tests/data/), ending with '/'.
std::string TestDataPath(const std::string& name = {});

// Expected texts that differ between POSIX and Windows:
// the text with every '/' turned into the delimiter the tools add ('\' on
// Windows), for messages that show a path the tools built;
inline std::string NativeSlashes(std::string text) {
  const char delimiter = NativePathStyle().Delimiter;
  for (char& c : text) {
    if (c == '/') c = delimiter;
  }
  return text;
}
// the error code of a path too long for the system (ENAMETOOLONG; Windows:
// ERROR_FILENAME_EXCED_RANGE).
uint32_t NameTooLongError();
// the error code of opening a folder as a file (EISDIR; Windows:
// ERROR_ACCESS_DENIED).
uint32_t FolderAsFileError();

// The text of the exception action throws; "(no exception)" when it
// throws none.
template <class TAction>
std::string MessageOf(TAction&& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(no exception)";
}

// What is written to File (a report's stream, a tool's standard output),
// kept in a temporary file.
struct TCapturedReport {
  FILE* File = std::tmpfile();
  ~TCapturedReport() { std::fclose(File); }
  TCapturedReport() = default;
  TCapturedReport(const TCapturedReport&) = delete;
  TCapturedReport& operator=(const TCapturedReport&) = delete;
  std::string Text() {
    std::fflush(File);
    std::rewind(File);
    std::string text;
    for (int c; (c = std::fgetc(File)) != EOF;) text += char(c);
    return text;
  }
};

// The native file system, one for the whole test program.
TFileSystem& NativeFs();

// A report sink that keeps the messages instead of showing them.
class TCapturingReport : public TReportSink {
 public:
  struct TMessage {
    std::string Caption, Text;
    bool Error;
  };
  std::vector<TMessage> Messages;
  // What Inform and Fail return: false is a console that cannot be written.
  bool Result = true;
  bool Inform(const std::string& caption, const std::string& text) override;
  bool Fail(const std::string& caption, const std::string& text) override;
};
