// TSettingsFile: a TIniDocument and the file it comes from, and the
// conversion of value texts to numbers. The same code serves every platform:
// the Windows profile functions cost time quadratic in the number of keys
// (4000 "Bits" keys took 8.5 s to write under Wine 8.0) and resolve a
// relative path against the Windows folder.
#include "settings/SettingsFile.h"

#include <charconv>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "fs/Files.h"
#include "settings/IniDocument.h"

namespace icnkit {

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

// Throws TSettingsWriteError when the file cannot be written.
void SaveSettingsText(TFileSystem& fs, const std::string& path, const std::string& text) {
  try {
    SaveWholeFile(fs, path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  } catch (const TCannotCreateFile& error) {
    throw TSettingsWriteError(path, error.Reason);
  } catch (const TZtError& error) {
    throw TSettingsWriteError(path, error.what());
  }
}

}  // namespace

TSettingsWriteError::TSettingsWriteError(const std::string& path, std::string reason)
    : TZtError(ZtFormat("Unable to write to %s", path.c_str()), TZtErrorKind::System),
      Reason(std::move(reason)) {}

std::string MessageWithReason(const TZtError& error) {
  const auto* write = dynamic_cast<const TSettingsWriteError*>(&error);
  if (write == nullptr || write->Reason.empty()) return error.what();
  return std::string(error.what()) + ". " + write->Reason;
}

std::optional<int32_t> ParseSettingsNumber(const std::string& value) {
  std::string_view text = value;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '+' || negative)) text.remove_prefix(1);
  int base = 10;
  if (!text.empty() && (text.front() == '$' || text.front() == 'x' || text.front() == 'X')) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // Hexadecimal: up to 32 bits, the top bit set reading as a negative
  // number; decimal: the range of an int32_t.
  uint64_t magnitude = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, magnitude, base);
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
  if (error != std::errc() || stop != end || magnitude > limit) return std::nullopt;
  const auto bits = static_cast<uint32_t>(magnitude);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

TSettingsFile::TSettingsFile(TFileSystem& fs, std::string path) : Fs_(fs), Path_(std::move(path)) {}

TSettingsFile::~TSettingsFile() {
  try {
    Flush();
  } catch (...) {
    // The keys written before the failure are on disk (the first write saves).
  }
}

TIniDocument* TSettingsFile::Document() {
  if (Document_ != nullptr) return Document_.get();
  std::vector<uint8_t> bytes;
  try {
    LoadWholeFile(Fs_, Path_, bytes);
  } catch (const TSystemError& error) {
    if (!IsMissingFileCode(error.Code)) {
      ReadFailure_ = error.Text;
      return nullptr;
    }
    bytes.clear();
  } catch (const TZtError& error) {
    ReadFailure_ = error.what();
    return nullptr;
  }
  Document_ = std::make_unique<TIniDocument>(std::move(bytes), kNewFileLineEnd);
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
  WriteText(section, key, std::to_string(value));
}

void TSettingsFile::WriteText(const std::string& section, const std::string& key,
                              const std::string& value) {
  TIniDocument* document = Document();
  if (document == nullptr) throw TSettingsWriteError(Path_, ReadFailure_);
  document->Set(section, key, value);
  if (Saved_) {
    Dirty_ = true;
    return;
  }
  // The first write reaches the file at once, so an unwritable folder fails
  // at that step; the failed edit is forgotten with the document.
  try {
    SaveSettingsText(Fs_, Path_, document->Text());
  } catch (const TZtError&) {
    Forget();
    throw;
  }
  Saved_ = true;
}

void TSettingsFile::Flush() {
  // The document goes before the file is written.
  const bool dirty = Dirty_;
  const std::string text = dirty ? Document_->Text() : std::string();
  Forget();
  if (dirty) SaveSettingsText(Fs_, Path_, text);
}

}  // namespace icnkit
