// A cut archive says the same in every face: every cut of both samples
// through the unpacker of its generation, icnkit (its generation told from
// the bytes) and icnkit::Archive::Open. Where the unpacker gives a reason
// ("Invalid archive: frame 2 starts outside the file"), the others give it
// and name the archive; where it reads the archive (streams cut), so do
// they; an empty file is no archive.
#include <gtest/gtest.h>

#include "api/LibraryFileSystem.h"
#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "kit/Kit.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tools/UnpackerCommandLine.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

TEST(CutArchives, GiveTheUnpackersReasonInEveryFace) {
  const struct {
    const char* Sample;
    const TUnpackerGeneration& Unpacker;
    const char* Palette;
  } samples[] = {{"sample_h1.icn", kDravelGeneration, "H1Palette.bmp"},
                 {"sample_h2.icn", kDravixGeneration, "H2Palette.bmp"}};
  for (const auto& sample : samples) {
    const std::vector<uint8_t> whole = ReadBytes(TestDataPath("../../examples/") + sample.Sample);
    for (size_t size = 0; size < whole.size(); ++size) {
      const std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(size));
      const std::string what = std::string(sample.Sample) + " cut to " + std::to_string(size);
      TMemoryFileSystem fs;
      fs.AddFile("/w/x.icn", cut);
      fs.AddFile(std::string("/opt/icnkit/") + sample.Palette, ReadBytes(BinPath(sample.Palette)));
      TCapturingReport unpackerReport;
      TToolContext context{fs, unpackerReport};
      const int unpacked = RunUnpacker(context, sample.Unpacker, {"Dravel", "/w/x.icn"});
      ASSERT_EQ(unpackerReport.Messages.size(), 1u) << what;
      // "Invalid archive: <reason>.\r\n<archive>" or "Operation succesful."
      const std::string& said = unpackerReport.Messages[0].Text;
      const std::string reason = said.substr(0, said.find(".\r\n"));

      TCapturedReport err;
      TKitReport report(err.File, false);
      const TLibraryFileSystem onFs(fs);
      TKit kit{report, err.File};
      const int informed = RunKit(kit, {"icnkit", "info", "w/x.icn"});
      std::string opened = "read";
      try {
        (void)icnkit::Archive::Open(cut, std::nullopt, "x.icn");
      } catch (const icnkit::Error& error) {
        opened = std::string(error.what()) + " | " + error.File();
      }
      if (size == 0) {
        EXPECT_EQ(err.Text(), "icnkit: Not an archive: w/x.icn\n") << what;  // as typed
        EXPECT_EQ(opened, "Not an archive: x.icn | ") << what;
      } else if (unpacked != 0) {
        EXPECT_EQ(reason.rfind("Invalid archive: ", 0), 0u) << what << ": " << reason;
        EXPECT_EQ(informed, 1) << what;
        EXPECT_EQ(err.Text(), "icnkit: w/x.icn: " + reason + "\n") << what;
        EXPECT_EQ(opened, reason + " | x.icn") << what;
      } else {
        EXPECT_EQ(informed, 0) << what << ": " << err.Text();
        EXPECT_EQ(opened, "read") << what;
      }
    }
  }
}

}  // namespace
