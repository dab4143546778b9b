// TRecordingPlatform: the test platform wrapper, the same on every platform.
#include <algorithm>

#include "tests/TestSupport.h"

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
  return MessageBoxResult;
}
