// Typesets an HTML page as a PDF with Qt's text layout: A4, page numbers, fonts embedded and
// text selectable, pictures scaled to the text width.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace lindora::ui {

// `pictures` maps the names the page's <img src="…"> use to PNG bytes. Returns the PDF's bytes.
std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                    const std::string& title);

}  // namespace lindora::ui
