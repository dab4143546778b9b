// TSettingsFile: a TIniDocument and the file it comes from, and the
// conversion of value texts to numbers.
//
// The same code serves every platform. The Windows profile functions are not
// used: they cost time quadratic in the number of keys (each call searches
// the parsed file linearly, and each write rewrites the whole file; measured
// under Wine 8.0, 4000 "Bits" keys take 8.5 s to write and 4 s to read, and
// an archive may hold 65535 frames), and they resolve a relative path
// against the Windows folder rather than the current one.
#include "settings/SettingsFile.h"

#include <span>
#include <utility>
#include <vector>

#include "fs/Files.h"
#include "settings/IniDocument.h"

namespace {

// Values are read as through a buffer of 2048 bytes, the terminating zero
// included: longer values arrive cut.
constexpr size_t kReadBufferSize = 2048;

// The line end of a file the tools create: the platform's own.
#if defined(_WIN32)
constexpr TIniLineEnd kNewFileLineEnd = TIniLineEnd::CrLf;
#else
constexpr TIniLineEnd kNewFileLineEnd = TIniLineEnd::Lf;
#endif

// A file that is not there, or whose folder is not (Windows tells the two
// apart; POSIX reports both as ENOENT, which is 2 as well).
bool IsMissingFile(uint32_t code) {
  constexpr uint32_t kFileNotFound = 2;  // ENOENT, ERROR_FILE_NOT_FOUND
#if defined(_WIN32)
  return code == kFileNotFound || code == 3;  // ERROR_PATH_NOT_FOUND
#else
  return code == kFileNotFound;
#endif
}

// The file access of TSettingsFile, all of it: one load, one save.

// The file's bytes, none for a missing file; false when the file exists but
// cannot be read.
bool LoadSettingsBytes(TFileSystem& fs, const std::string& path, std::vector<uint8_t>& bytes) {
  try {
    LoadWholeFile(fs, path, bytes);
    return true;
  } catch (const TSystemError& error) {
    bytes.clear();
    return IsMissingFile(error.Code);
  } catch (const TZtError&) {
    return false;
  }
}

// False when the file cannot be written.
bool SaveSettingsText(TFileSystem& fs, const std::string& path, const std::string& text) {
  try {
    SaveWholeFile(fs, path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return true;
  } catch (const TZtError&) {
    return false;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> ParseSettingsNumber(const std::string& value) {
  std::string text = value;
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.replace(0, 2, "$");
  }
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    i += 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;  // no digits

  uint64_t magnitude = 0;
  if (hex) {
    // Up to 32 bits; the top bit set reads as a negative number.
    for (; i < text.size(); ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) return std::nullopt;
      magnitude = magnitude * 16 + static_cast<uint64_t>(digit);
      if (magnitude > 0xFFFFFFFFu) return std::nullopt;
    }
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  const uint64_t limit = negative ? uint64_t{0x80000000u} : uint64_t{0x7FFFFFFFu};
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > limit) return std::nullopt;
  }
  const int64_t signedValue =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return static_cast<int32_t>(signedValue);
}

TSettingsFile::TSettingsFile(TFileSystem& fs, std::string path) : Fs_(fs), Path_(std::move(path)) {}

TSettingsFile::~TSettingsFile() {
  try {
    Flush();
  } catch (...) {
    // A destructor never throws; the keys written before the failure are on
    // disk already, since the first write after loading saves at once.
  }
}

TIniDocument* TSettingsFile::Document() {
  if (Document_ == nullptr) {
    std::vector<uint8_t> bytes;
    if (!LoadSettingsBytes(Fs_, Path_, bytes)) return nullptr;
    // The bytes become the document's: a large file is held once.
    Document_ = std::make_unique<TIniDocument>(std::move(bytes), kNewFileLineEnd);
  }
  return Document_.get();
}

void TSettingsFile::Forget() {
  Document_.reset();
  Saved_ = false;
  Dirty_ = false;
}

int32_t TSettingsFile::ReadNumber(const std::string& section, const std::string& key,
                                  int32_t defaultValue) {
  const TIniDocument* document = Document();
  if (document == nullptr) return defaultValue;
  std::string text = document->Get(section, key).value_or("");
  if (text.size() > kReadBufferSize - 1) text.resize(kReadBufferSize - 1);
  return ParseSettingsNumber(text).value_or(defaultValue);
}

void TSettingsFile::ForEachKey(const std::string& section,
                               const std::function<void(std::string_view key)>& visit) {
  if (const TIniDocument* document = Document()) document->ForEachKey(section, visit);
}

void TSettingsFile::WriteNumber(const std::string& section, const std::string& key, int32_t value) {
  TIniDocument* document = Document();
  if (document == nullptr) throw TZtError(ZtFormat("Unable to write to %s", Path_.c_str()));
  document->Set(section, key, std::to_string(value));
  if (Saved_) {
    Dirty_ = true;
    return;
  }
  // The first write reaches the file at once, so an unwritable folder fails
  // at that step; the failed edit is forgotten with the document.
  if (!SaveSettingsText(Fs_, Path_, document->Text())) {
    Forget();
    throw TZtError(ZtFormat("Unable to write to %s", Path_.c_str()));
  }
  Saved_ = true;
}

void TSettingsFile::Reserve(const std::string& section, size_t bytes) {
  if (TIniDocument* document = Document()) document->Reserve(section, bytes);
}

void TSettingsFile::Flush() {
  // The document goes before the file is written: its text is held once.
  const bool dirty = Dirty_;
  const std::string text = dirty ? std::move(*Document_).TakeText() : std::string();
  Forget();
  if (dirty && !SaveSettingsText(Fs_, Path_, text)) {
    throw TZtError(ZtFormat("Unable to write to %s", Path_.c_str()));
  }
}
