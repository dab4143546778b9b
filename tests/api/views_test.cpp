// The public calls the tool's views share: the frame range of --frames, the
// preview frame, the thumbnail.
#include <gtest/gtest.h>

#include "icnkit/icnkit.h"

using namespace icnkit;

namespace {

// An archive named name whose frame i is a solid rectangle of
// sizes[i] = {width, height} pixels of index i + 1 (0 x 0: no pixels).
Archive ArchiveOf(Generation generation, const std::string& name,
                  const std::vector<std::pair<int32_t, int32_t>>& sizes) {
  std::vector<Raster> rasters;
  for (size_t i = 0; i < sizes.size(); ++i) {
    rasters.emplace_back(sizes[i].first, sizes[i].second);
    std::fill(rasters.back().pixels.begin(), rasters.back().pixels.end(), uint8_t(i + 1));
  }
  std::vector<NewFrame> frames;
  for (const Raster& raster : rasters) frames.push_back({raster.View()});
  return Archive::Open(BuildArchive(generation, frames), generation, name);
}

TEST(Views, FrameRangesAreCutOrRefusedWithTheToolsMessages) {
  const struct {
    const char* Text;
    size_t Count;
    const char* Expected;  // "first-last" and " cut", or the message
  } cases[] = {
      {"2-5", 10, "2-5"},
      {"3", 10, "3-3"},
      {"2-20", 10, "2-9 cut"},
      {"0-70000", SIZE_MAX, "0-70000"},
      {"x", 10, "--frames: expected A-B or A (frame numbers from 0), not \"x\""},
      {"1-", 10, "--frames: expected A-B or A (frame numbers from 0), not \"1-\""},
      {"5-2", 10, "--frames 5-2: the range is reversed; write 2-5"},
      {"12", 10, "--frames 12: the archive's frames are 0-9"},
      {"0", 0, "--frames 0: the archive has no frames"},
  };
  for (const auto& test : cases) {
    std::string got;
    try {
      const FrameRange range = ParseFrameRange(test.Text, test.Count);
      got = std::to_string(range.first) + "-" + std::to_string(range.last) +
            (range.cut ? " cut" : "");
    } catch (const Error& error) {
      EXPECT_EQ(error.Kind(), ErrorKind::InvalidInput);
      got = error.what();
    }
    EXPECT_EQ(got, test.Expected) << test.Text;
  }
}

TEST(Views, ThePreviewFrameIsTheFirstHigherThanOneRowFromTheStart) {
  const std::vector<std::pair<int32_t, int32_t>> low = {{4, 1}, {3, 1}};
  const std::vector<std::pair<int32_t, int32_t>> mixed = {{4, 5}, {3, 1}, {2, 2}};
  const struct {
    Generation Kind;
    const char* Name;
    std::vector<std::pair<int32_t, int32_t>> Sizes;
    std::optional<size_t> Expected;
  } cases[] = {
      {Generation::H1, "a.icn", mixed, 0},         {Generation::H1, "a.STD", mixed, 2},
      {Generation::H2, "a.std", mixed, 0},         {Generation::H1, "a.std", {{4, 5}}, 0},
      {Generation::H1, "a.std", low, 1},           {Generation::H2, "a.icn", low, 0},
      {Generation::H1, "a.icn", {}, std::nullopt},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(ArchiveOf(test.Kind, test.Name, test.Sizes).PreviewFrame(), test.Expected)
        << test.Name << " " << test.Sizes.size();
  }
}

TEST(Views, ThumbnailsScaleThePreviewFrameByWholeFactors) {
  // Frame 1 (2 x 3 of index 2) is shown: frame 0 is one row high.
  const Archive archive = ArchiveOf(Generation::H2, "a.icn", {{5, 1}, {2, 3}});
  const Thumbnail up = MakeThumbnail(archive, 7);
  EXPECT_EQ(up.frame, 1u);
  EXPECT_EQ(std::vector<int32_t>({up.pixels.width, up.pixels.height}),
            std::vector<int32_t>({4, 6}));
  EXPECT_EQ(up.pixels.pixels, std::vector<uint8_t>(24, 2));
  const Thumbnail down = MakeThumbnail(archive, 1);
  EXPECT_EQ(std::vector<int32_t>({down.pixels.width, down.pixels.height}),
            std::vector<int32_t>({1, 1}));
  const Thumbnail none = MakeThumbnail(ArchiveOf(Generation::H2, "a.icn", {{0, 0}}), 8);
  EXPECT_EQ(none.pixels.width, 0);
  for (const int32_t size : {0, 4097}) {
    try {
      (void)MakeThumbnail(archive, size);
      ADD_FAILURE() << size;
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "The size must lie within 1..4096");
    }
  }
}

}  // namespace
