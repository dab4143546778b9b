// The Windows side of the test helpers: temporary folders under the user's
// temporary folder, and the built programs started with CreateProcessW (the
// arguments reach them as the UTF-8 strings the tests wrote) with their
// standard handles redirected to files.
#include "tests/TestSupport.h"
//
#include "fs/WindowsHeaders.h"
#include "fs/WindowsText.h"
//
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>

using namespace icnkit;

namespace {

bool EndsInSlash(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  // Tests make files read-only; DeleteFileA refuses those.
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::DeleteFileA(path.c_str());
    return;
  }
  for (const std::string& name : ListNames(path)) RemoveTree(path + "\\" + name);
  ::RemoveDirectoryA(path.c_str());
}

// A path that CMake wrote for the build machine: under Wine, Unix paths are
// reached through drive Z:, which maps the Unix root.
std::string NativeBuildPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// One argument quoted as the C runtime's command-line parser splits it.
std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');  // they precede the closing quote
  return quoted + "\"";
}

HANDLE OpenInheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
  return ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TTempFolder::TTempFolder() {
  static std::atomic<unsigned> counter{0};
  char base[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof base, base);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathA failed");
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::string path = std::string(base) + "icnkit-test-" +
                             std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(counter++);
    if (::CreateDirectoryA(path.c_str(), nullptr)) {
      Path_ = path + "\\";
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TTempFolder::~TTempFolder() {
  RemoveTree(Path_.substr(0, Path_.size() - 1));
}

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  const std::string mask = (EndsInSlash(folder) ? folder : folder + "\\") + "*";
  WIN32_FIND_DATAA data;
  const HANDLE search = ::FindFirstFileA(mask.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search, &data));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

uint32_t NameTooLongError() {
  return ERROR_FILENAME_EXCED_RANGE;
}

uint32_t FolderAsFileError() {
  return ERROR_ACCESS_DENIED;
}

// A name without an extension is a program: the file is <name>.exe.
void SetEnvironment(const char* name, const char* value) {
  ::_putenv_s(name, value);
}

std::string BinPath(const std::string& program) {
  const bool hasExtension = program.find('.') != std::string::npos;
  return NativeBuildPath(ICNKIT_BIN_DIR) + "\\" + program + (hasExtension ? "" : ".exe");
}

std::string TestDataPath(const std::string& name) {
  return NativeBuildPath(ICNKIT_TEST_DATA_DIR) + "\\" + name;
}

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workingFolder, const std::function<void()>& setup) {
  // Code run in the child before it starts is a fork() idea; a test that
  // needs it is POSIX-only.
  if (setup) throw std::runtime_error("RunProgram: a child setup needs POSIX");
  std::string executable =
      program.find_first_of("/\\") == std::string::npos ? BinPath(program) : program;
  // A program copied under a name without ".exe" runs under that name.
  if (!FileExists(executable)) executable += ".exe";
  std::string commandLine = QuoteArgument(executable);
  for (const std::string& arg : args) commandLine += " " + QuoteArgument(arg);

  TTempFolder capture;
  const std::string outPath = capture / "stdout", errPath = capture / "stderr";
  const HANDLE in = OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  const HANDLE out = OpenInheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE err = OpenInheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot redirect the standard handles");
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::wstring mutableCommandLine = Utf16(commandLine);
  const std::wstring wideFolder = Utf16(workingFolder);
  const BOOL started = ::CreateProcessW(
      Utf16(executable).c_str(), mutableCommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
      workingFolder.empty() ? nullptr : wideFolder.c_str(), &startup, &process);
  ::CloseHandle(in);
  ::CloseHandle(out);
  ::CloseHandle(err);
  TRunResult result;
  if (!started) {
    result.ExitCode = 127;  // as the POSIX helper reports a failed exec
  } else {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    result.ExitCode = static_cast<int>(code);
  }
  result.Stdout = ReadText(outPath);
  result.Stderr = ReadText(errPath);
  return result;
}
