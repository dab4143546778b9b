#include "tests/TestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

std::string ReadFd(const std::string& path) {
  return ReadText(path);
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

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
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
  result.Stdout = ReadFd(outPath);
  result.Stderr = ReadFd(errPath);
  return result;
}

// TRecordingPlatform

TRecordingPlatform::TRecordingPlatform()
    : Native_(NativeZtPlatform()), Previous_(SetZtPlatform(this)) {}

TRecordingPlatform::~TRecordingPlatform() {
  SetZtPlatform(Previous_);
}

bool TRecordingPlatform::Inject(const std::string& operation, const std::string& path) {
  Log.push_back(operation + " " + path);
  if (!FailWith) return false;
  const uint32_t code = FailWith(operation, path);
  if (code == 0) return false;
  Native_.SetLastError(code);
  return true;
}

namespace {
std::string PathOf(const std::vector<std::pair<TZtHandle, std::string>>& handles, TZtHandle h) {
  for (const auto& [handle, path] : handles) {
    if (handle == h) return path;
  }
  return {};
}
}  // namespace

TZtPathStyle TRecordingPlatform::PathStyle() {
  return Native_.PathStyle();
}
uint32_t TRecordingPlatform::GetFileAttributes(const std::string& path) {
  return Native_.GetFileAttributes(path);
}
std::string TRecordingPlatform::GetFullPathName(const std::string& path) {
  return Native_.GetFullPathName(path);
}
bool TRecordingPlatform::CreateDirectory(const std::string& path) {
  if (Inject("CreateDirectory", path)) return false;
  return Native_.CreateDirectory(path);
}
TZtHandle TRecordingPlatform::CreateFile(const std::string& path, uint32_t access, uint32_t share,
                                         uint32_t disposition, uint32_t flags) {
  if (Inject("CreateFile", path)) return kInvalidHandle;
  const TZtHandle handle = Native_.CreateFile(path, access, share, disposition, flags);
  if (handle != kInvalidHandle) Handles_.emplace_back(handle, path);
  return handle;
}
bool TRecordingPlatform::ReadFile(TZtHandle file, void* buffer, uint32_t count, uint32_t* read) {
  if (Inject("ReadFile", PathOf(Handles_, file))) {
    *read = 0;
    return false;
  }
  return Native_.ReadFile(file, buffer, count, read);
}
bool TRecordingPlatform::WriteFile(TZtHandle file, const void* buffer, uint32_t count,
                                   uint32_t* written) {
  if (Inject("WriteFile", PathOf(Handles_, file))) {
    *written = 0;
    return false;
  }
  return Native_.WriteFile(file, buffer, count, written);
}
bool TRecordingPlatform::GetFileSize(TZtHandle file, uint64_t* size) {
  return Native_.GetFileSize(file, size);
}
bool TRecordingPlatform::SetFilePointer(TZtHandle file, int64_t offset, uint32_t origin,
                                        int64_t* position) {
  return Native_.SetFilePointer(file, offset, origin, position);
}
bool TRecordingPlatform::SetEndOfFile(TZtHandle file) {
  return Native_.SetEndOfFile(file);
}
bool TRecordingPlatform::FlushFileBuffers(TZtHandle file) {
  if (Inject("FlushFileBuffers", PathOf(Handles_, file))) return false;
  return Native_.FlushFileBuffers(file);
}
bool TRecordingPlatform::CloseHandle(TZtHandle file) {
  Handles_.erase(std::remove_if(Handles_.begin(), Handles_.end(),
                                [file](const auto& entry) { return entry.first == file; }),
                 Handles_.end());
  return Native_.CloseHandle(file);
}
bool TRecordingPlatform::MoveFileReplace(const std::string& from, const std::string& to) {
  if (Inject("MoveFileReplace", from + " -> " + to)) return false;
  return Native_.MoveFileReplace(from, to);
}
bool TRecordingPlatform::DeleteFile(const std::string& path) {
  Log.push_back("DeleteFile " + path);
  return Native_.DeleteFile(path);
}
bool TRecordingPlatform::CopyFile(const std::string& from, const std::string& to,
                                  bool failIfExists) {
  if (Inject("CopyFile", from + " -> " + to)) return false;
  return Native_.CopyFile(from, to, failIfExists);
}
TZtListResult TRecordingPlatform::ListDirectory(const std::string& folder,
                                                std::vector<TZtDirEntry>* entries) {
  if (Inject("ListDirectory", folder)) return TZtListResult::Failed;
  return Native_.ListDirectory(folder, entries);
}
uint32_t TRecordingPlatform::GetLastError() {
  return Native_.GetLastError();
}
void TRecordingPlatform::SetLastError(uint32_t code) {
  Native_.SetLastError(code);
}
std::string TRecordingPlatform::FormatMessage(uint32_t code) {
  return Native_.FormatMessage(code);
}
std::string TRecordingPlatform::GetModuleFileName() {
  return Native_.GetModuleFileName();
}
uint32_t TRecordingPlatform::GetCurrentProcessId() {
  return Native_.GetCurrentProcessId();
}
std::string TRecordingPlatform::ExecutableFileName(const std::string& programName) {
  return Native_.ExecutableFileName(programName);
}
int TRecordingPlatform::MessageBox(const std::string& text, const std::string& caption,
                                   uint32_t style) {
  Boxes.push_back({text, caption, style});
  return 1;
}
std::string TRecordingPlatform::GetPrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& defaultValue,
                                                        const std::string& path) {
  return Native_.GetPrivateProfileString(section, key, defaultValue, path);
}
bool TRecordingPlatform::WritePrivateProfileString(const char* section, const char* key,
                                                   const char* value, const std::string& path) {
  if (Inject("WritePrivateProfileString", path)) return false;
  return Native_.WritePrivateProfileString(section, key, value, path);
}
