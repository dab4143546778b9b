#include "sheet/Gallery.h"

#include "format/Error.h"

namespace {

std::string Number(const nlohmann::ordered_json& value) {
  return value.is_null() ? std::string("-") : value.dump();
}

// The card and the page show the same facts of an archive.
std::string Facts(const TGalleryArchive& archive) {
  const nlohmann::ordered_json& info = archive.Info;
  std::string text = HtmlEscape(info.value("generation", std::string("?"))) + " &middot; " +
                     Number(info.value("frame_count", nlohmann::ordered_json())) +
                     " frames &middot; " + Number(info.value("size", nlohmann::ordered_json())) +
                     " bytes";
  const nlohmann::ordered_json rectangle = info.value("rectangle", nlohmann::ordered_json());
  if (rectangle.is_object()) {
    text += " &middot; " + Number(rectangle.value("width", nlohmann::ordered_json())) +
            " &times; " + Number(rectangle.value("height", nlohmann::ordered_json()));
  }
  return text;
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
  html += ZtFormat("<h1>%zu archives</h1>\n<main class=\"cards\">\n", archives.size());
  for (const TGalleryArchive& archive : archives) {
    const std::string page = "a/" + archive.Slug + ".html";
    html += "<a class=\"card\" href=\"" + HtmlEscape(page) + "\">\n<img src=\"a/" +
            HtmlEscape(archive.Slug) + ".gif\" loading=\"lazy\" alt=\"" + HtmlEscape(archive.Name) +
            "\">\n<span class=\"name\">" + HtmlEscape(archive.Name) +
            "</span>\n<span class=\"facts\">" + Facts(archive) + "</span>\n</a>\n";
  }
  html += "</main>\n</body>\n</html>\n";
  return html;
}

std::string GalleryPageHtml(const TGalleryArchive& archive) {
  const std::string slug = HtmlEscape(archive.Slug);
  std::string html = Head(archive.Name, "../style.css");
  html += "<p><a href=\"../index.html\">All archives</a></p>\n<h1>" + HtmlEscape(archive.Name) +
          "</h1>\n<p class=\"facts\">" + Facts(archive) + "</p>\n";
  html += "<section class=\"views\">\n<figure><img src=\"" + slug +
          ".gif\" loading=\"lazy\" alt=\"animation\">"
          "<figcaption>Animation (<a href=\"" +
          slug + ".gif\">GIF</a>)</figcaption></figure>\n";
  html += ZtFormat(
      "<figure><img src=\"%s.png\" loading=\"lazy\" width=\"%d\" height=\"%d\" alt=\"sheet\">",
      slug.c_str(), archive.Sheet.Width, archive.Sheet.Height);
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
         "background:#fff;border:1px solid "
         "#ccc;border-radius:6px;text-decoration:none;color:inherit}\n"
         ".card img{max-width:160px;max-height:120px;min-height:16px;image-rendering:pixelated;"
         "background:repeating-conic-gradient(#ddd 0 25%,#fff 0 50%) 0 0/16px 16px}\n"
         ".name{font-weight:bold;margin-top:6px;word-break:break-all}\n"
         ".facts{font-size:85%;color:#555}\n"
         ".views{display:flex;flex-wrap:wrap;gap:16px;align-items:flex-start}\n"
         ".views img{image-rendering:pixelated;max-width:100%;"
         "background:repeating-conic-gradient(#ddd 0 25%,#fff 0 50%) 0 0/16px 16px}\n"
         "table{border-collapse:collapse;margin-top:1em;background:#fff}\n"
         "td,th{border:1px solid #ccc;padding:2px 6px;text-align:right}\n"
         ".cell{display:inline-block;image-rendering:pixelated}\n"
         ".empty{color:#999;font-style:italic}\n";
}
