// TSettingsFile: a private-profile text file ("[section]" lines followed by
// "key=value" lines) read and written as integers (and texts); a frame folder's
// "setup.ini" is one, read and written through a TFileSystem. The object
// holds the file's TIniDocument, loaded on first use (a missing file is an
// empty document).
//
// Writing costs O(1) per key: the first WriteNumber after loading reaches the
// file at once (so an unwritable folder fails at that step), later writes
// stay in the document and reach the file with Flush() or the destructor.
// Flush() also forgets the document, so that what the object reads next is
// the file again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "format/Error.h"

namespace icnkit {

class TFileSystem;
class TIniDocument;

// "Unable to write to <path>", as the tools show it; Reason is what stopped
// the write ("Permission denied", "Not a regular file: <path>", ...), for
// the faces that say why (Reason() after ". ").
class TSettingsWriteError : public TZtError {
 public:
  TSettingsWriteError(const std::string& path, std::string reason);
  std::string Reason;
};

// The message of a failure with its reason: "Unable to write to <path>.
// Permission denied" for a TSettingsWriteError with one, else what().
std::string MessageWithReason(const TZtError& error);

class TSettingsFile {
 public:
  TSettingsFile(TFileSystem& fs, std::string path);
  // Flushes pending writes; never throws (a failure is lost, the keys written
  // before it are on disk).
  ~TSettingsFile();
  TSettingsFile(const TSettingsFile&) = delete;
  TSettingsFile& operator=(const TSettingsFile&) = delete;

  int32_t ReadNumber(const std::string& section, const std::string& key, int32_t defaultValue);
  // Calls visit with every key of section in the file (TIniDocument::ForEachKey).
  void ForEachKey(const std::string& section,
                  const std::function<void(std::string_view key)>& visit);
  // TSettingsWriteError on failure.
  void WriteNumber(const std::string& section, const std::string& key, int32_t value);
  // The same with a text value, written as it is.
  void WriteText(const std::string& section, const std::string& key, const std::string& value);
  // Writes pending changes; TSettingsWriteError on failure.
  void Flush();

 private:
  // The document, loaded on first use; null when the file exists but cannot
  // be read (a document lacking its content must never be saved over it).
  TIniDocument* Document();
  // Forgets the document, pending writes included.
  void Forget();

  TFileSystem& Fs_;
  std::string Path_;
  std::unique_ptr<TIniDocument> Document_;
  bool Saved_ = false;       // the first write since loading has reached the file
  bool Dirty_ = false;       // writes since then are only in the document
  std::string ReadFailure_;  // why the file could not be read, if it could not
};

// The value-text conversion of ReadNumber: "12", "+12", "$C", "0xC", "xC",
// "-0x1", "0xFFFFFFFF" (-1) ...; nullopt for an empty or invalid text.
std::optional<int32_t> ParseSettingsNumber(const std::string& text);

}  // namespace icnkit
