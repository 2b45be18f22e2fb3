#include "common/ui/html_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QUrl>
#include <algorithm>

#include "common/files.h"
#include "common/text.h"
#include "common/ui/fonts.h"
#include "common/ui/pdf_text_layer.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

namespace {

// A figure is one paragraph, its picture's line and then its caption's: where a page ends
// between the two, the paragraph starts the next page instead, so that no page begins with a
// caption alone (a picture leaves room for its caption on a page of its own).
void KeepCaptionsWithPictures(QTextDocument& text, double page_height) {
  // Each move pushes only what follows it, so one pass per figure at most settles them all.
  for (bool moved = true; moved;) {
    moved = false;
    text.documentLayout()->documentSize();  // lays the pages out anew
    for (QTextBlock block = text.begin(); block.isValid() && !moved; block = block.next()) {
      const QTextLayout* layout = block.layout();
      if (!layout || layout->lineCount() < 2 ||
          !block.text().contains(QChar::ObjectReplacementCharacter) ||
          block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        continue;
      const double top = layout->position().y();
      auto page_of = [&](const QTextLine& line) {
        return static_cast<int>((top + line.y()) / page_height);
      };
      if (page_of(layout->lineAt(0)) == page_of(layout->lineAt(layout->lineCount() - 1))) continue;
      QTextBlockFormat format = block.blockFormat();
      format.setPageBreakPolicy(format.pageBreakPolicy() | QTextFormat::PageBreak_AlwaysBefore);
      QTextCursor(block).setBlockFormat(format);
      moved = true;
    }
  }
}

}  // namespace

std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                    const std::string& title) {
  // The layout works in screen pixels; the page is drawn at 72 dots per inch, a dot a point.
  QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
  const double to_points = 72.0 / dpi;
  const QSizeF page_points = QPageSize(QPageSize::A4).size(QPageSize::Point);
  const QSizeF page(page_points.width() / to_points, page_points.height() / to_points);
  // A 2 cm margin all round (the page number goes in the bottom one): the text is 481 pt wide.
  const double margin = 2 / 2.54 * dpi;
  const double text_width = page.width() - 2 * margin;
  // A picture takes at most the text's height less three lines, which its caption above it
  // needs on the same page.
  const double max_height = page.height() - 2 * margin - 48 / to_points;
  QTextDocument text;
  QFont font = UiFont();
  font.setPointSizeF(9.5);
  text.setDefaultFont(font);
  for (const auto& [name, png] : pictures) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()),
                       "PNG");
    if (image.width() <= 0 || image.height() <= 0) continue;
    // The print size is the one the picture's resolution gives (a picture drawn for print
    // says so), within the text width and the height allowed; Qt's layout knows no max-width.
    const double per_inch = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 96.0;
    double width = std::min(text_width, image.width() / per_inch * dpi);
    double height = width * image.height() / image.width();
    if (height > max_height) {
      height = max_height;
      width = height * image.width() / image.height();
    }
    // The picture keeps its pixels for print; its device pixel ratio makes it lay out at the
    // chosen width.
    image.setDevicePixelRatio(image.width() / width);
    text.addResource(QTextDocument::ImageResource, QUrl(Q(name)), image);
  }
  text.setHtml(Q(html));
  QTextFrameFormat frame = text.rootFrame()->frameFormat();
  frame.setMargin(margin);
  text.rootFrame()->setFrameFormat(frame);
  text.setPageSize(page);
  KeepCaptionsWithPictures(text, page.height());

  // The PDF is made in memory; the caller publishes it through the one file writer. Printed
  // here rather than by QTextDocument::print so that pictures stay lossless (PNG-like, not
  // JPEG).
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
    QPainter painter(&writer);
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(to_points, to_points);
    const int pages = text.pageCount();
    // Page numbers in layout pixels, as the text, at the text's size.
    QFont number_font = font;
    number_font.setPixelSize(qRound(font.pointSizeF() * dpi / 72));
    const QFontMetricsF metrics(number_font, &writer);
    for (int i = 0; i < pages; ++i) {
      if (i > 0) writer.newPage();
      painter.save();
      const QRectF view(0, i * page.height(), page.width(), page.height());
      painter.translate(0, -view.top());
      QAbstractTextDocumentLayout::PaintContext context;
      context.clip = view;
      painter.setClipRect(view);
      text.documentLayout()->draw(&painter, context);
      painter.restore();
      painter.setFont(number_font);
      const QString number = QString::number(i + 1);
      painter.drawText(QPointF(page.width() - margin - metrics.horizontalAdvance(number),
                               page.height() - margin + metrics.ascent() + 5 * dpi / 72),
                       number);
    }
  }
  // An empty result tells the caller that no PDF could be made.
  try {
    return PdfWithRealCharacters(typeset.toStdString());
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace lindora::ui
