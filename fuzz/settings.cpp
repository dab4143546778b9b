// Fuzz target: the bytes as a frame folder's "setup.ini". The keys the tools
// use are read, written and read again, once in TIniDocument itself
// and once through TSettingsFile and a real file, and the two must agree;
// so must the packers' compact [Bits] (TFrameBits) and ReadNumber.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fs/Files.h"
#include "fuzz/FuzzCheck.h"
#include "pack/FrameBits.h"
#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"

using namespace icnkit;

namespace {

struct TKey {
  const char* Section;
  const char* Name;
};
// What the unpackers write and the packers read, in the tools' spelling.
constexpr TKey kKeys[] = {
    {"Position", "X"},    {"Position", "Y"},     {"Bits", "0000.bmp"},
    {"Bits", "0001.bmp"}, {"Bits", "10000.bmp"},
};
constexpr size_t kKeyCount = std::size(kKeys);
constexpr int32_t kDefault = -12345;

// ReadNumber's view of a value: cut like TSettingsFile cuts it, parsed.
int32_t AsNumber(const std::optional<std::string>& value) {
  if (!value) return kDefault;
  return ParseSettingsNumber(value->substr(0, 2047)).value_or(kDefault);
}

std::vector<std::optional<std::string>> ReadAll(const TIniDocument& document) {
  std::vector<std::optional<std::string>> values;
  for (const TKey& key : kKeys) values.push_back(document.Get(key.Section, key.Name));
  return values;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return text;
}

// A folder of this process for the file half, removed at exit.
const std::string& ScratchFile() {
  static const std::string path = [] {
    char folder[] = "/tmp/icnkit-fuzz-settings-XXXXXX";
    if (::mkdtemp(folder) == nullptr) std::abort();
    static std::string created = folder;
    std::atexit([] {
      ::unlink((created + "/setup.ini").c_str());
      ::rmdir(created.c_str());
    });
    return created + "/setup.ini";
  }();
  return path;
}

// What the fuzzer wrote as a value: a number derived from the input.
int32_t ValueFor(const uint8_t* data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return static_cast<int32_t>(hash);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TIniDocument document(text);
  // Nothing edited: the bytes come back as they were.
  FUZZ_CHECK(document.Text() == text);
  const std::vector<std::optional<std::string>> before = ReadAll(document);
  for (size_t k = 0; k < kKeyCount; ++k) {
    // Names match without regard to case.
    FUZZ_CHECK(document.Get(Lower(kKeys[k].Section), Lower(kKeys[k].Name)) == before[k]);
  }

  // One key written: it reads back, in the object and in its text, and no
  // other key changes.
  const size_t chosen = size % kKeyCount;
  const int32_t value = ValueFor(data, size);
  document.Set(kKeys[chosen].Section, kKeys[chosen].Name, std::to_string(value));
  const TIniDocument reread(document.Text());
  for (size_t k = 0; k < kKeyCount; ++k) {
    const std::optional<std::string> expected =
        k == chosen ? std::optional(std::to_string(value)) : before[k];
    FUZZ_CHECK(document.Get(kKeys[k].Section, kKeys[k].Name) == expected);
    FUZZ_CHECK(reread.Get(kKeys[k].Section, kKeys[k].Name) == expected);
  }

  // Every key written, as an unpack does: all read back.
  TIniDocument all(text);
  for (size_t k = 0; k < kKeyCount; ++k) {
    all.Set(kKeys[k].Section, kKeys[k].Name, std::to_string(value + int32_t(k)));
  }
  const TIniDocument allReread(all.Text());
  for (size_t k = 0; k < kKeyCount; ++k) {
    FUZZ_CHECK(AsNumber(allReread.Get(kKeys[k].Section, kKeys[k].Name)) == value + int32_t(k));
  }

  // The same through TSettingsFile and the file system.
  const std::string& path = ScratchFile();
  static const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
  SaveWholeFile(*fs, path, std::span(data, size));
  {
    TSettingsFile settings(*fs, path);
    for (size_t k = 0; k < kKeyCount; ++k) {
      FUZZ_CHECK(settings.ReadNumber(kKeys[k].Section, kKeys[k].Name, kDefault) ==
                 AsNumber(before[k]));
    }
    // The packers' compact [Bits]: what ReadNumber gives, low byte, for
    // every key the section has and for the names the tools use.
    const TFrameBits bits(settings);
    std::vector<std::string> names;
    settings.ForEachKey("Bits", [&](std::string_view key) { names.emplace_back(key); });
    for (const TKey& key : kKeys) names.emplace_back(key.Name);
    for (const std::string& name : names) {
      if (name.find('\0') != std::string::npos) continue;
      FUZZ_CHECK(bits.Of(name) == uint8_t(settings.ReadNumber("Bits", name, 0) & 0xFF));
    }
    settings.WriteNumber(kKeys[chosen].Section, kKeys[chosen].Name, value);
    settings.Flush();
  }
  TSettingsFile settings(*fs, path);
  for (size_t k = 0; k < kKeyCount; ++k) {
    FUZZ_CHECK(settings.ReadNumber(kKeys[k].Section, kKeys[k].Name, kDefault) ==
               (k == chosen ? value : AsNumber(before[k])));
  }
  std::vector<uint8_t> saved;
  LoadWholeFile(*fs, path, saved);
  const std::string expectedText = document.Text();
  FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(saved.data()), saved.size()) ==
             expectedText);
  settings.Flush();
  return 0;
}
