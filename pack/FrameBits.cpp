#include "pack/FrameBits.h"

#include <algorithm>

#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"

namespace icnkit {

namespace {
constexpr char kBits[] = "Bits";
}

TFrameBits::TFrameBits(TSettingsFile& settings) {
  settings.ForEachKey(kBits, [&](std::string_view key) {
    // A name with a NUL is no file's.
    if (key.find('\0') != std::string_view::npos) return;
    const auto low = static_cast<uint8_t>(settings.ReadNumber(kBits, std::string(key), 0) & 0xFF);
    if (low == 0) return;
    // An entry is no longer than its line ("k=v" and its line end), so the
    // text stays below the file's size, below 4 GiB.
    Starts_.push_back(static_cast<uint32_t>(Text_.size()));
    Text_ += static_cast<char>(low);
    Text_ += IniNameKey(key);
    Text_ += '\0';
  });
  // Duplicate names give the same value (the first line's): any one will do.
  std::sort(Starts_.begin(), Starts_.end(),
            [this](uint32_t a, uint32_t b) { return KeyAt(a) < KeyAt(b); });
  Text_.shrink_to_fit();
  Starts_.shrink_to_fit();
}

std::string_view TFrameBits::KeyAt(uint32_t start) const {
  return std::string_view(Text_.data() + start + 1);
}

uint8_t TFrameBits::Of(std::string_view frameName) const {
  if (Starts_.empty()) return 0;
  const std::string key = IniNameKey(frameName);
  const auto found =
      std::lower_bound(Starts_.begin(), Starts_.end(), key,
                       [this](uint32_t a, const std::string& k) { return KeyAt(a) < k; });
  if (found == Starts_.end() || KeyAt(*found) != key) return 0;
  return static_cast<uint8_t>(Text_[*found]);
}

}  // namespace icnkit
