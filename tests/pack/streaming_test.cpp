// A pack writes its archive into the file as it builds it: the pieces make
// the archive a writer keeps whole, a failure to write waits behind the
// bitmaps' own messages, and setup.ini's Bits are read as before.
#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "format/IcnArchive.h"
#include "pack/FrameBits.h"
#include "pack/FrameFolderPack.h"
#include "pack/PackerGeneration.h"
#include "settings/SettingsFile.h"
#include "testdata/ArchiveBuilder.h"
#include "testdata/BmpBuilder.h"
#include "tests/MemoryFileSystem.h"

using namespace icnkit;

namespace {

using testdata::TBytes;

// Begins frames in the order given, each followed by a stream of its own
// length, into a writer kept whole and one handing pieces to a sink.
void ExpectPiecesMakeTheWhole(TIcnGeneration generation, const std::vector<size_t>& order,
                              const std::vector<size_t>& lengths) {
  TIcnArchiveWriter whole(generation, order.size());
  TBytes assembled;
  std::vector<uint64_t> offsets;
  size_t largest = 0;
  TIcnArchiveWriter pieces(
      generation, order.size(), [&](uint64_t at, std::span<const uint8_t> bytes) {
        offsets.push_back(at);
        largest = std::max(largest, bytes.size());
        if (assembled.size() < at + bytes.size()) assembled.resize(size_t(at + bytes.size()));
        std::copy(bytes.begin(), bytes.end(), assembled.begin() + ptrdiff_t(at));
      });
  for (size_t i : order) {
    const TIcnFrame record = testdata::Record(int16_t(i), -3, uint16_t(i % 7), 2, uint8_t(i));
    whole.BeginFrame(i, record);
    pieces.BeginFrame(i, record);
    for (size_t n = 0; n < lengths[i]; ++n) {
      whole.Buffer().push_back(uint8_t(i + n));
      pieces.Buffer().push_back(uint8_t(i + n));
    }
  }
  const TBytes expected = whole.Finish();
  EXPECT_TRUE(pieces.Finish().empty());
  EXPECT_EQ(assembled, expected);
  ASSERT_FALSE(offsets.empty());
  EXPECT_EQ(offsets.back(), 0u) << "the header comes last";
  // Nothing much beyond a piece and a frame's stream is held at once.
  const size_t longest = *std::max_element(lengths.begin(), lengths.end());
  EXPECT_LE(largest, TIcnArchiveWriter::kSinkPiece + longest);
}

TEST(ArchiveWriterSink, PiecesMakeTheArchiveKeptWhole) {
  std::mt19937 random(11);
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    // Tables of several pieces, streams from none to several pieces long.
    const size_t count = 12000;
    std::vector<size_t> lengths(count);
    for (size_t& n : lengths) n = random() % 100 == 0 ? random() % 150000 : random() % 20;
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = i;
    ExpectPiecesMakeTheWhole(generation, order, lengths);
    // Records begun out of order, some twice: the last one counts.
    std::rotate(order.begin() + 3000, order.begin() + 7000, order.end());
    order[5] = 9;
    order[6000] = 2;
    ExpectPiecesMakeTheWhole(generation, order, lengths);
    ExpectPiecesMakeTheWhole(generation, {}, {0});
  }
}

// A frame folder "/w/a.icn.cadres/" of count one-pixel frames beside an old
// archive "/w/a.icn", in memory.
struct TStreamedPack {
  explicit TStreamedPack(size_t count, TIcnGeneration generation = TIcnGeneration::H2)
      : Generation(generation) {
    fs.AddFile("/w/a.icn", OldArchive);
    std::string ini = "[Bits]\n";
    for (size_t i = 0; i < count; ++i) {
      const std::string name = ZtFormat("%04zu.bmp", i);
      fs.AddFile("/w/a.icn.cadres/" + name,
                 testdata::Bmp8(3, 2, TBytes{0, uint8_t(i), 0, 9, 0, 0}));
      ini += name + "=" + std::to_string(i % 3 == 0 ? 32 : 0) + "\n";
    }
    fs.AddFile("/w/a.icn.cadres/setup.ini", TBytes(ini.begin(), ini.end()));
  }
  // The message of the pack's failure, "" when it succeeds.
  std::string Pack(const std::string& archive = "/w/a.icn") {
    std::string frameFile;
    try {
      PackFrameFolder(fs, PackerGeneration(Generation), archive, "/w/a.icn.cadres/", frameFile);
    } catch (const TZtError& failure) {
      return failure.what();
    }
    return "";
  }
  TIcnGeneration Generation;
  TMemoryFileSystem fs;
  const TBytes OldArchive = TBytes(6, 0);
};

TEST(PackStreaming, TheArchiveWrittenInPiecesIsTheOneBuiltWhole) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TStreamedPack pack(7000, generation);
    EXPECT_EQ(pack.Pack(), "");
    EXPECT_GT(pack.fs.Calls("WriteAt"), 2);
    // A folder that does not exist yet is made at the end, the archive
    // written whole: one piece.
    const int pieces = pack.fs.Calls("WriteAt");
    EXPECT_EQ(pack.Pack("/w/new/b.icn"), "");
    EXPECT_EQ(pack.fs.Calls("WriteAt"), pieces + 1);
    EXPECT_EQ(pack.fs.Files["/w/a.icn"], pack.fs.Files["/w/new/b.icn"]);
    EXPECT_EQ(FrameCount(pack.fs.Files["/w/a.icn"]), 7000);
  }
}

TEST(PackStreaming, AFailedWriteWaitsBehindTheBitmapsAndKeepsTheOldArchive) {
  const std::string full = "Cannot create file \"/w/a.icn\". " + NativeErrorText(ENOSPC);
  {
    // The disk fills with the second piece: the pack reads on, then fails.
    TStreamedPack pack(9000);
    pack.fs.FailOn("WriteAt", ENOSPC, 2);
    EXPECT_EQ(pack.Pack(), full);
    EXPECT_EQ(pack.fs.Calls("WriteAt"), 2);
    EXPECT_EQ(pack.fs.Files["/w/a.icn"], pack.OldArchive);
  }
  {
    // A bad bitmap after the failure names itself, as when the archive was
    // written last.
    TStreamedPack pack(9000);
    pack.fs.AddFile("/w/a.icn.cadres/8000.bmp", testdata::Bmp24(2, 2));
    pack.fs.FailOn("WriteAt", ENOSPC, 1);
    EXPECT_EQ(pack.Pack(), "Wrong bitmap format");
    EXPECT_EQ(pack.fs.Files["/w/a.icn"], pack.OldArchive);
  }
  {
    // The file cannot be begun (a folder nothing can be created in): the
    // archive is built whole and the failure is the one of writing it.
    TStreamedPack pack(3);
    pack.fs.FailOn("BeginReplace", EACCES, 0, "/w/a.icn", true);
    EXPECT_EQ(pack.Pack(), "Cannot create file \"/w/a.icn\". " + NativeErrorText(EACCES));
    EXPECT_EQ(pack.fs.Calls("WriteAt"), 0);
    EXPECT_EQ(pack.fs.Files["/w/a.icn"], pack.OldArchive);
  }
}

TEST(FrameBits, EveryNameGetsTheLowByteReadNumberGives) {
  TMemoryFileSystem fs;
  const std::string ini =
      "[Position]\nX=1\n[bits]\n"
      "A.bmp=32\n  b.BMP =  0x21 \nc.bmp=\"7\"\nd.bmp=0x120\ne.bmp=-1\n"
      "a.bmp=5\n; f.bmp=3\nf.bmp=junk\ng.bmp=$40\n\n"
      "[Other]\nh.bmp=9\n[Bits]\nh.bmp=9\n";
  fs.AddFile("/s.ini", TBytes(ini.begin(), ini.end()));
  TSettingsFile settings(fs, "/s.ini");
  const TFrameBits bits(settings);
  for (const char* name : {"a.bmp", "A.BMP", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp", "g.bmp",
                           "h.bmp", "x.bmp", " a.bmp", ""}) {
    EXPECT_EQ(bits.Of(name), uint8_t(settings.ReadNumber("Bits", name, 0) & 0xFF)) << name;
  }
  EXPECT_EQ(bits.Of("a.bmp"), 32);  // the first of two
  EXPECT_EQ(bits.Of("e.bmp"), 0xFF);
  EXPECT_EQ(bits.Of("h.bmp"), 0);  // only the first section of the name

  TSettingsFile missing(fs, "/none.ini");
  EXPECT_EQ(TFrameBits(missing).Of("a.bmp"), 0);
}

}  // namespace
