#include "sheet/Gallery.h"

#include <algorithm>

#include "format/Error.h"
#include "format/Text.h"

namespace icnkit {

namespace {

// The box a card draws its sprite in, and the page its animation.
constexpr int32_t kCardWidth = 160;
constexpr int32_t kCardHeight = 160;
constexpr int32_t kPageWidth = 320;
constexpr int32_t kPageHeight = 240;

std::string Number(const nlohmann::ordered_json& value) {
  return value.is_null() ? std::string("-") : value.dump();
}

// "5 frames", "1 frame"; "-" with the noun's plural for a missing count.
std::string Count(const nlohmann::ordered_json& value, const std::string& noun) {
  return value.is_number_unsigned() ? CountOf(value.get<size_t>(), noun) : "- " + noun + "s";
}

// The card and the page show the same facts of an archive.
std::string Facts(const TGalleryArchive& archive) {
  const nlohmann::ordered_json& info = archive.Info;
  std::string text = HtmlEscape(info.value("generation", std::string("?"))) + " &middot; " +
                     Count(info.value("frame_count", nlohmann::ordered_json()), "frame") +
                     " &middot; " + Count(info.value("size", nlohmann::ordered_json()), "byte");
  const nlohmann::ordered_json rectangle = info.value("rectangle", nlohmann::ordered_json());
  if (rectangle.is_object()) {
    text += " &middot; " + Number(rectangle.value("width", nlohmann::ordered_json())) +
            " &times; " + Number(rectangle.value("height", nlohmann::ordered_json()));
  }
  return text;
}

// CSS pixels, at most two decimals ("48", "12.5").
std::string Pixels(double value) {
  std::string text = ZtFormat("%.2f", value == 0 ? 0.0 : value);  // never "-0"
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text + "px";
}

// The factor that draws width x height into a box of boxWidth x boxHeight:
// the largest whole one that fits, or the fraction that shrinks it to fit.
double FitScale(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight) {
  const double fit = std::min(static_cast<double>(boxWidth) / std::max(width, 1),
                              static_cast<double>(boxHeight) / std::max(height, 1));
  return fit >= 1 ? static_cast<double>(static_cast<int32_t>(fit)) : fit;
}

// The sprite drawn into a box of width x height: the union rectangle scaled
// by a whole factor, the largest that fits (a sprite larger than the box is
// shrunk to fit instead), pixels kept square and sharp. Still, it shows the
// first frame with pixels, cut from the sheet (an <img> of the whole sheet
// in a clipping span, so it loads lazily); hovered, the GIF. An archive
// without pixels shows "empty".
std::string SpriteView(const TGalleryArchive& archive, const std::string& folder, int32_t width,
                       int32_t height) {
  const auto shown = std::find_if(archive.Sheet.Frames.begin(), archive.Sheet.Frames.end(),
                                  [](const TSheetFrame& frame) { return !frame.Frame.Empty(); });
  if (shown == archive.Sheet.Frames.end() || shown->SourceWidth <= 0 || shown->SourceHeight <= 0) {
    return "<span class=\"view none\">empty</span>\n";
  }
  const double scale = FitScale(shown->SourceWidth, shown->SourceHeight, width, height);
  const auto px = [scale](int32_t value) { return Pixels(value * scale); };
  const std::string base = HtmlEscape(folder + archive.Slug);
  return "<span class=\"view\" style=\"width:" + px(shown->SourceWidth) +
         ";height:" + px(shown->SourceHeight) + "\" data-scale=\"" + ZtFormat("%g", scale) +
         "\">\n<span class=\"still\" style=\"left:" + px(shown->SpriteSource.Left) +
         ";top:" + px(shown->SpriteSource.Top) + ";width:" + px(shown->Frame.Width) +
         ";height:" + px(shown->Frame.Height) + "\"><img src=\"" + base +
         ".png\" loading=\"lazy\" alt=\"\" style=\"left:" + px(-shown->Frame.Left) +
         ";top:" + px(-shown->Frame.Top) + ";width:" + px(archive.Sheet.Width) +
         ";height:" + px(archive.Sheet.Height) + "\"></span>\n<img class=\"anim\" src=\"" + base +
         ".gif\" loading=\"lazy\" alt=\"" + HtmlEscape(archive.Name) +
         "\" style=\"width:" + px(shown->SourceWidth) + ";height:" + px(shown->SourceHeight) +
         "\">\n</span>\n";
}

std::string Head(const std::string& title, const std::string& styleSheet) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         HtmlEscape(title) + "</title>\n<link rel=\"stylesheet\" href=\"" + styleSheet +
         "\">\n</head>\n<body>\n";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string GallerySlug(std::string_view name) {
  // A name that would be hidden or empty gets a leading '_'.
  std::string slug = name.empty() || name[0] == '.' ? "_" : "";
  for (const char c : name) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
    slug += keep ? c : '_';
  }
  return slug;
}

std::string GalleryIndexHtml(const std::vector<TGalleryArchive>& archives) {
  std::string html = Head("Archives", "style.css");
  html += "<h1>" + CountOf(archives.size(), "archive") + "</h1>\n<main class=\"cards\">\n";
  for (const TGalleryArchive& archive : archives) {
    const std::string page = "a/" + archive.Slug + ".html";
    html += "<a class=\"card\" href=\"" + HtmlEscape(page) + "\">\n<span class=\"box\">" +
            SpriteView(archive, "a/", kCardWidth, kCardHeight) + "</span>\n<span class=\"name\">" +
            HtmlEscape(archive.Name) + "</span>\n<span class=\"facts\">" + Facts(archive) +
            "</span>\n</a>\n";
  }
  html += "</main>\n</body>\n</html>\n";
  return html;
}

std::string GalleryPageHtml(const TGalleryArchive& archive) {
  const std::string slug = HtmlEscape(archive.Slug);
  std::string html = Head(archive.Name, "../style.css");
  html += "<p><a href=\"../index.html\">All archives</a></p>\n<h1>" + HtmlEscape(archive.Name) +
          "</h1>\n<p class=\"facts\">" + Facts(archive) + "</p>\n";
  html += "<section class=\"views\">\n<figure class=\"sprite\">" +
          SpriteView(archive, "", kPageWidth, kPageHeight) +
          "<figcaption>Animation on hover (<a href=\"" + slug +
          ".gif\">GIF</a>)</figcaption></figure>\n";
  // The sheet as large as the sprite may be, by a whole factor (or shrunk);
  // a sheet without pixels as it is.
  const bool pixels = std::any_of(archive.Sheet.Frames.begin(), archive.Sheet.Frames.end(),
                                  [](const TSheetFrame& frame) { return !frame.Frame.Empty(); });
  const double sheetScale =
      pixels ? FitScale(archive.Sheet.Width, archive.Sheet.Height, kPageWidth, kPageHeight) : 1;
  html += ZtFormat(
      "<figure><img src=\"%s.png\" loading=\"lazy\" width=\"%.0f\" height=\"%.0f\" "
      "alt=\"sheet\">",
      slug.c_str(), archive.Sheet.Width * sheetScale, archive.Sheet.Height * sheetScale);
  html += "<figcaption>Sheet (<a href=\"" + slug + ".png\">PNG</a>, <a href=\"" + slug +
          ".json\">JSON</a>)</figcaption></figure>\n</section>\n";
  html +=
      "<table>\n<thead><tr><th>Frame</th><th>Index</th><th>Left</th><th>Top</th><th>Width</th>"
      "<th>Height</th><th>Bits</th><th>Fill-only</th><th>Offset</th><th>Length</th></tr></"
      "thead>\n<tbody>\n";
  const nlohmann::ordered_json frames =
      archive.Info.value("frames", nlohmann::ordered_json::array());
  for (size_t i = 0; i < frames.size(); ++i) {
    const nlohmann::ordered_json& frame = frames[i];
    std::string view = "<span class=\"empty\">empty</span>";
    if (i < archive.Sheet.Frames.size()) {
      const TRectangle& cell = archive.Sheet.Frames[i].Frame;
      if (!cell.Empty()) {
        view = ZtFormat(
            "<span class=\"cell\" style=\"width:%dpx;height:%dpx;"
            "background:url('%s.png') -%dpx -%dpx\"></span>",
            cell.Width, cell.Height, slug.c_str(), cell.Left, cell.Top);
      }
    }
    const bool fillOnly = frame.value("fill_only", false);
    html += "<tr><td>" + view + "</td>";
    for (const char* key : {"index", "left", "top", "width", "height", "bits"}) {
      html += "<td>" + Number(frame.value(key, nlohmann::ordered_json())) + "</td>";
    }
    html += std::string("<td>") + (fillOnly ? "yes" : "") + "</td><td>" +
            Number(frame.value("offset", nlohmann::ordered_json())) + "</td><td>" +
            Number(frame.value("length", nlohmann::ordered_json())) + "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n</body>\n</html>\n";
  return html;
}

std::string GalleryStyleSheet() {
  return "body{font-family:sans-serif;margin:1em;background:#f4f4f4;color:#222}\n"
         ".cards{display:flex;flex-wrap:wrap;gap:12px}\n"
         ".card{display:flex;flex-direction:column;align-items:center;width:180px;padding:8px;"
         "background:#fff;border:1px solid #ccc;border-radius:6px;text-decoration:none;"
         "color:inherit}\n"
         ".box{display:flex;align-items:center;justify-content:center;width:160px;height:160px}\n"
         ".view{position:relative;display:block;overflow:hidden;"
         "background:repeating-conic-gradient(#ddd 0 25%,#fff 0 50%) 0 0/16px 16px}\n"
         ".view img{display:block;image-rendering:pixelated;max-width:none}\n"
         ".view .still{position:absolute;overflow:hidden}\n"
         ".view .still img{position:absolute}\n"
         ".view .anim{display:none}\n"
         ".card:hover .anim,.sprite:hover .anim{display:block}\n"
         ".card:hover .still,.sprite:hover .still{display:none}\n"
         ".none{padding:1em;background:none;color:#999;font-style:italic}\n"
         ".name{font-weight:bold;margin-top:6px;word-break:break-all}\n"
         ".facts{font-size:85%;color:#555}\n"
         ".views{display:flex;flex-wrap:wrap;gap:16px;align-items:flex-start}\n"
         ".views>figure>img{image-rendering:pixelated;max-width:100%;"
         "background:repeating-conic-gradient(#ddd 0 25%,#fff 0 50%) 0 0/16px 16px}\n"
         "table{border-collapse:collapse;margin-top:1em;background:#fff}\n"
         "td,th{border:1px solid #ccc;padding:2px 6px;text-align:right}\n"
         ".cell{display:inline-block;image-rendering:pixelated}\n"
         ".empty{color:#999;font-style:italic}\n";
}

}  // namespace icnkit
