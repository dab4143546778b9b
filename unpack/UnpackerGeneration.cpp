#include "unpack/UnpackerGeneration.h"

#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "support/ZtSysUtils.h"

namespace {

constexpr const char* kH1Extensions[] = {".icn", ".obj", ".atk", ".std", ".wlk", ".wip", ".xtl"};
constexpr const char* kH2Extensions[] = {".icn"};

// H1 records carry no flag: it is deduced from the name and the stream.
bool H1FillOnly(const std::string& archivePath, TArchiveImage image, size_t index,
                const TIcnFrame&) {
  return DeduceH1FillOnly(NameOfPath(archivePath), image, index);
}

// H1 frame folders store only the flag, as 32 or 0.
int32_t H1BitsValue(bool fillOnly, const TIcnFrame&) {
  return ChooseValue(fillOnly, 32, 0);
}

bool H2FillOnly(const std::string&, TArchiveImage, size_t, const TIcnFrame& record) {
  return IsFillOnly(record);
}

// H2 frame folders carry the whole Bits byte so the packer restores it.
int32_t H2BitsValue(bool, const TIcnFrame& record) {
  return record.Bits;
}

}  // namespace

const TUnpackerGeneration kDravelGeneration = {
    .ProgramName = "Dravel",
    .Generation = TIcnGeneration::H1,
    .AcceptedExtensions = kH1Extensions,
    .PreviewPattern = "*",
    .PaletteName = "H1Palette.bmp",
    .StdPreviewStart = true,
    .FillOnly = H1FillOnly,
    .Decode = DecodeH1Frame,
    .BitsValue = H1BitsValue,
};

const TUnpackerGeneration kDravixGeneration = {
    .ProgramName = "Dravix",
    .Generation = TIcnGeneration::H2,
    .AcceptedExtensions = kH2Extensions,
    .PreviewPattern = "*.icn",
    .PaletteName = "H2Palette.bmp",
    .StdPreviewStart = false,
    .FillOnly = H2FillOnly,
    .Decode = DecodeH2Frame,
    .BitsValue = H2BitsValue,
};
