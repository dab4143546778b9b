// The gallery's pages: a card per archive linking to its page, every image
// lazy-loaded and named relative to the page, frames without pixels shown
// as the word "empty", names escaped.
#include <gtest/gtest.h>

#include <set>

#include "sheet/Gallery.h"
#include "sheet/SheetCompose.h"
#include "tests/TestSupport.h"
#include "tests/sheet/HtmlScan.h"
#include "tests/sheet/SheetTestSupport.h"

using namespace icnkit;

using namespace sheettest;
using nlohmann::ordered_json;

namespace {

// A gallery entry as the tool makes it, the info data reduced to what the
// pages show.
TGalleryArchive Entry(const std::string& name, const TBytes& archive, TIcnGeneration generation) {
  const TArchiveFrames frames = ReadArchiveFrames(archive, generation, name);
  TGalleryArchive entry;
  entry.Name = name;
  entry.Slug = GallerySlug(name);
  entry.Sheet = ComposeSheet(frames, TestPalette(), TSheetOptions{}).Description;
  entry.Info = {{"file", name},
                {"size", archive.size()},
                {"generation", generation == TIcnGeneration::H1 ? "H1" : "H2"},
                {"frame_count", frames.Frames.size()},
                {"rectangle",
                 {{"x", frames.Union.Left},
                  {"y", frames.Union.Top},
                  {"width", frames.Union.Width},
                  {"height", frames.Union.Height}}}};
  ordered_json list = ordered_json::array();
  for (size_t i = 0; i < frames.Frames.size(); ++i) {
    const TIcnFrame& r = frames.Frames[i].Record;
    list.push_back({{"index", i},
                    {"left", r.Left},
                    {"top", r.Top},
                    {"width", r.Width},
                    {"height", r.Height},
                    {"bits", frames.Frames[i].Bits},
                    {"fill_only", frames.Frames[i].FillOnly},
                    {"offset", r.DataOffset + 6},
                    {"length", nullptr}});
  }
  entry.Info["frames"] = list;
  return entry;
}

TEST(GalleryHtml, IndexLinksEveryPageAndPagesNameTheirFiles) {
  const TIcnGeneration h2 = TIcnGeneration::H2;
  std::vector<TGalleryArchive> archives = {
      Entry("sample_h2.icn", ReadBytes(TestDataPath("../../examples/sample_h2.icn")), h2),
      Entry("<odd & \"name\">.icn",
            BuildArchive(h2, {EncodedFrame(h2, Record(0, 0, 0, 0), {}),
                              EncodedFrame(h2, Record(1, 1, 2, 1), {4, 4})}),
            h2)};
  EXPECT_EQ(archives[1].Slug, "_odd____name__.icn");
  const std::string index = GalleryIndexHtml(archives);
  EXPECT_EQ(Captures(index, "<a class=\"card\" href=\""),
            (std::vector<std::string>{"a/sample_h2.icn.html", "a/_odd____name__.icn.html"}));
  const std::vector<std::string> images = Captures(index, " src=\"");
  EXPECT_EQ(images,
            (std::vector<std::string>{"a/sample_h2.icn.png", "a/sample_h2.icn.gif",
                                      "a/_odd____name__.icn.png", "a/_odd____name__.icn.gif"}));
  // The 21 x 44 sample three times as large (the largest whole factor in
  // 160 x 160): still, frame 0 cut from the sheet at its place; hovered,
  // the GIF.
  EXPECT_NE(
      index.find("<span class=\"box\"><span class=\"view\" style=\"width:63px;height:132px\" "
                 "data-scale=\"3\">\n<span class=\"still\" style=\"left:6px;top:0px;width:51px;"
                 "height:51px\"><img src=\"a/sample_h2.icn.png\" loading=\"lazy\" alt=\"\" "
                 "style=\"left:0px;top:0px;width:126px;height:171px\"></span>\n<img class=\"anim\" "
                 "src=\"a/sample_h2.icn.gif\" loading=\"lazy\" alt=\"sample_h2.icn\" "
                 "style=\"width:63px;height:132px\">\n</span>\n</span>"),
      std::string::npos)
      << index;
  const std::vector<std::string> indexImages = Tags(index, "<img ");
  EXPECT_EQ(CountContaining(indexImages, "loading=\"lazy\""), indexImages.size());
  EXPECT_NE(index.find("&lt;odd &amp; &quot;name&quot;&gt;.icn"), std::string::npos);
  EXPECT_EQ(index.find("<odd"), std::string::npos);
  EXPECT_NE(index.find("<h1>2 archives</h1>"), std::string::npos);
  EXPECT_NE(index.find("H2 &middot; 5 frames &middot; "), std::string::npos);
  EXPECT_NE(index.find("H2 &middot; 2 frames &middot; "), std::string::npos);
  EXPECT_NE(GalleryIndexHtml({archives[0]}).find("<h1>1 archive</h1>"), std::string::npos);
  EXPECT_NE(index.find("href=\"style.css\""), std::string::npos);

  const std::string page = GalleryPageHtml(archives[0]);
  const std::set<std::string> files = {"sample_h2.icn.gif", "sample_h2.icn.png",
                                       "sample_h2.icn.json", "../style.css", "../index.html"};
  for (const std::string& link : Links(page)) {
    EXPECT_TRUE(files.count(link) == 1) << link;
  }
  const std::vector<std::string> pageImages = Tags(page, "<img ");
  EXPECT_EQ(CountContaining(pageImages, "loading=\"lazy\""), pageImages.size());
  EXPECT_EQ(Tags(page, "<tr><td>").size(), 5u);
  // Each frame shown as its cell of the sheet.
  const TRectangle& cell = archives[0].Sheet.Frames[2].Frame;
  EXPECT_NE(
      page.find(ZtFormat("width:%dpx;height:%dpx;background:url('sample_h2.icn.png') -%dpx -%dpx",
                         cell.Width, cell.Height, cell.Left, cell.Top)),
      std::string::npos);
  EXPECT_NE(page.find("<td>yes</td>"), std::string::npos);  // the fill-only shadow

  const std::string odd = GalleryPageHtml(archives[1]);
  EXPECT_EQ(Tags(odd, "<tr><td><span class=\"empty\">empty</span>").size(), 1u);
  EXPECT_EQ(Tags(odd, "<tr><td><span class=\"cell\"").size(), 1u);
  EXPECT_EQ(odd.find("<odd"), std::string::npos);
  // An archive without pixels: the word, no image; one frame is singular.
  const std::string blank = GalleryIndexHtml(
      {Entry("blank.icn", BuildArchive(h2, {EncodedFrame(h2, Record(0, 0, 0, 0), {})}), h2)});
  EXPECT_NE(blank.find("<span class=\"box\"><span class=\"view none\">empty</span>"),
            std::string::npos);
  EXPECT_EQ(Tags(blank, "<img ").size(), 0u);
  EXPECT_NE(blank.find("H2 &middot; 1 frame &middot; "), std::string::npos);
  EXPECT_EQ(GallerySlug(""), "_");
  EXPECT_EQ(GallerySlug(".."), "_..");
  EXPECT_EQ(GallerySlug("a/b\\c"), "a_b_c");
}

}  // namespace
