// TSettingsFile: a private-profile text file ("[section]" lines followed by
// "key=value" lines) read and written as integers; a frame folder's
// "setup.ini" is one.
//
// Writing costs O(1) per key: the first WriteNumber of an object reaches the
// file at once (so an unwritable folder fails at that step), later writes
// are kept by the platform's profile cache and reach the file with Flush()
// or the destructor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TSettingsFile {
 public:
  explicit TSettingsFile(std::string path) : Path_(std::move(path)) {}
  // Flushes cached writes; never throws (a failure is lost, the keys written
  // before it are on disk).
  ~TSettingsFile();
  TSettingsFile(const TSettingsFile&) = delete;
  TSettingsFile& operator=(const TSettingsFile&) = delete;

  int32_t ReadNumber(const std::string& section, const std::string& key, int32_t defaultValue);
  // "Unable to write to %s" with the path on failure.
  void WriteNumber(const std::string& section, const std::string& key, int32_t value);
  // Writes cached changes; "Unable to write to %s" on failure.
  void Flush();

  const std::string& Path() const { return Path_; }

 private:
  std::string Path_;
};

// The value-text conversion of ReadNumber: "12", "+12", "$C", "0xC", "xC",
// "-0x1", "0xFFFFFFFF" (-1) ...; nullopt for an empty or invalid text.
std::optional<int32_t> ParseSettingsNumber(const std::string& text);
