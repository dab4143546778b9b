// The POSIX side of the test helpers: temporary folders under $TMPDIR (or
// /tmp), folder listings, and the built programs started with fork and exec
// with their standard streams redirected to files.
#include "tests/TestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

using namespace icnkit;

namespace {

void RemoveTree(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    ::chmod(path.c_str(), 0700);  // tests make folders read-only
    if (DIR* dir = ::opendir(path.c_str())) {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") RemoveTree(path + "/" + name);
      }
      ::closedir(dir);
    }
    ::rmdir(path.c_str());
  } else {
    ::unlink(path.c_str());
  }
}

}  // namespace

TTempFolder::TTempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/icnkit-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  Path_ = std::string(buffer.data()) + "/";
}

TTempFolder::~TTempFolder() {
  RemoveTree(Path_.substr(0, Path_.size() - 1));
}

bool FileExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

uint32_t NameTooLongError() {
  return ENAMETOOLONG;
}

uint32_t FolderAsFileError() {
  return EISDIR;
}

void SetEnvironment(const char* name, const char* value) {
  ::setenv(name, value, 1);
}

std::string BinPath(const std::string& program) {
  return std::string(ICNKIT_BIN_DIR) + "/" + program;
}

std::string TestDataPath(const std::string& name) {
  return std::string(ICNKIT_TEST_DATA_DIR) + "/" + name;
}

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workingFolder, const std::function<void()>& setup) {
  TTempFolder capture;
  const std::string outPath = capture / "stdout", errPath = capture / "stderr";
  const std::string executable =
      program.find('/') == std::string::npos ? BinPath(program) : program;
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) ::_exit(126);
    if (setup) setup();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(executable.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  TRunResult result;
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.Stdout = ReadText(outPath);
  result.Stderr = ReadText(errPath);
  return result;
}
