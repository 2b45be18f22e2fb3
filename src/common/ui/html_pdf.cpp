#include "common/ui/html_pdf.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QScreen>
#include <QTextDocument>
#include <QUrl>

#include "common/files.h"
#include "common/text.h"
#include "common/ui/fonts.h"
#include "common/ui/pdf_text_layer.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                    const std::string& title) {
  // Printing keeps a 2 cm margin of its own around the text (page numbers go in the bottom
  // one), so the A4 page has no other margin and the text is 481 pt wide; the layout works in
  // screen pixels, which printing scales to points.
  QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
  const int text_width = static_cast<int>(481 * dpi / 72);
  const int max_height = static_cast<int>(480 * dpi / 72);
  QTextDocument text;
  QFont font = UiFont();
  font.setPointSizeF(9.5);
  text.setDefaultFont(font);
  // Qt's layout knows no max-width rule: every picture gets the text width and the height
  // that keeps its shape.
  for (const auto& [name, png] : pictures) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()),
                       "PNG");
    // A picture takes at most two thirds of the page's height, so it stays on the page of its
    // heading and caption.
    if (image.width() <= 0 || image.height() <= 0) continue;
    int width = text_width;
    int height = width * image.height() / image.width();
    if (height > max_height) {
      height = max_height;
      width = height * image.width() / image.height();
    }
    // The picture keeps its pixels for print; its device pixel ratio makes it lay out at the
    // chosen width.
    image.setDevicePixelRatio(static_cast<double>(image.width()) / width);
    text.addResource(QTextDocument::ImageResource, QUrl(Q(name)), image);
  }
  text.setHtml(Q(html));

  // The PDF is made in memory; the caller publishes it through the one file writer.
  QByteArray typeset;
  {
    QBuffer device(&typeset);
    device.open(QIODevice::WriteOnly);
    QPdfWriter writer(&device);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setResolution(72);
    writer.setCreator(QStringLiteral("Lindora"));
    writer.setTitle(Q(title));
    text.print(&writer);
  }
  // An empty result tells the caller that no PDF could be made.
  try {
    return PdfWithRealCharacters(typeset.toStdString());
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace lindora::ui
