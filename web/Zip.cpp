#include "web/Zip.h"

#include <zlib.h>

#include <string>

#include "icnkit/error.h"

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint16_t kVersion = 20;    // 2.0: stored files in folders
constexpr uint16_t kVersion64 = 45;  // 4.5: zip64 end records
constexpr uint16_t kUtf8Names = 0x0800;
constexpr uint16_t kDos1980 = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr size_t kMaxEntries16 = 0xFFFF;

class TOut {
 public:
  void U16(uint64_t value) { Put(value, 2); }
  void U32(uint64_t value) { Put(value, 4); }
  void U64(uint64_t value) { Put(value, 8); }
  void Bytes(std::span<const uint8_t> bytes) {
    Data.insert(Data.end(), bytes.begin(), bytes.end());
  }
  void Text(const std::string& text) { Data.insert(Data.end(), text.begin(), text.end()); }
  std::vector<uint8_t> Data;

 private:
  void Put(uint64_t value, int count) {
    for (int i = 0; i < count; ++i) Data.push_back(uint8_t(value >> (8 * i)));
  }
};

[[noreturn]] void TooLarge() {
  throw icnkit::Error(icnkit::ErrorKind::InvalidInput, "Zip too large");
}

// The fields a local and a central header share, from "version needed" on.
void Common(TOut& out, const icnkit::NamedFile& file, uint32_t crc) {
  out.U16(kVersion);
  out.U16(kUtf8Names);
  out.U16(0);  // stored
  out.U16(0);  // 00:00
  out.U16(kDos1980);
  out.U32(crc);
  out.U32(file.bytes.size());
  out.U32(file.bytes.size());
  out.U16(file.name.size());
}

}  // namespace

std::vector<uint8_t> StoredZip(std::span<const icnkit::NamedFile> files) {
  TOut out;
  TOut central;
  for (const icnkit::NamedFile& file : files) {
    if (file.name.size() > 0xFFFF || file.bytes.size() >= kMax32 || out.Data.size() >= kMax32) {
      TooLarge();
    }
    const uint32_t crc = uint32_t(crc32_z(0, file.bytes.data(), file.bytes.size()));
    const size_t offset = out.Data.size();
    out.U32(kLocalSignature);
    Common(out, file, crc);
    out.U16(0);  // extra field
    out.Text(file.name);
    out.Bytes(file.bytes);
    central.U32(kCentralSignature);
    central.U16(kVersion);  // made by: MS-DOS, 2.0
    Common(central, file, crc);
    central.U16(0);  // extra field
    central.U16(0);  // comment
    central.U16(0);  // disk
    central.U16(0);  // internal attributes
    central.U32(0);  // external attributes
    central.U32(offset);
    central.Text(file.name);
  }
  const size_t centralOffset = out.Data.size();
  const size_t centralSize = central.Data.size();
  if (centralOffset + centralSize >= kMax32) TooLarge();
  out.Bytes(central.Data);
  const bool zip64 = files.size() >= kMaxEntries16;
  if (zip64) {
    const size_t endOffset = out.Data.size();
    out.U32(kZip64EndSignature);
    out.U64(44);  // the record's size after this field
    out.U16(kVersion64);
    out.U16(kVersion64);
    out.U32(0);  // this disk
    out.U32(0);  // the disk of the central directory
    out.U64(files.size());
    out.U64(files.size());
    out.U64(centralSize);
    out.U64(centralOffset);
    out.U32(kZip64LocatorSignature);
    out.U32(0);
    out.U64(endOffset);
    out.U32(1);  // disks
  }
  const size_t entries = zip64 ? kMaxEntries16 : files.size();
  out.U32(kEndSignature);
  out.U16(0);
  out.U16(0);
  out.U16(entries);
  out.U16(entries);
  out.U32(centralSize);
  out.U32(centralOffset);
  out.U16(0);  // comment
  return std::move(out.Data);
}
