// Typesets an HTML page as a PDF with Qt's text layout: A4, page numbers, fonts embedded and
// text selectable, pictures scaled to the text width.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace lindora::ui {

// `pictures` maps the names the page's <img src="…"> use to PNG bytes. Written beside the
// target and renamed over it; raises FileError when it cannot be written.
void WriteHtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                  const std::string& title, const std::filesystem::path& path);

}  // namespace lindora::ui
