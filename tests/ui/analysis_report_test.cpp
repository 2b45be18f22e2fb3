// The analysis report of all shipped formulas from the formula window's menu, with the real
// pictures and PDF: a well-formed page whose pictures decode, and a PDF whose text holds the
// numbers of the result files.
#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <filesystem>

#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "common/files.h"
#include "common/text.h"
#include "common/ui/pdf_text_layer.h"
#include "formula/fangji_analysis.h"
#include "formula/result_set_stamp.h"
#include "report/analysis_report_window.h"
#include "support/fake_ports.h"
#include "support/view_world.h"

using namespace lindora;
using namespace lindora::ui;

class AnalysisReportTest : public test::ViewWorld {
  Q_OBJECT

  static QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
  }

 private slots:
  void initTestCase() { OpenProgramFolder({}, /*formulas_as_result=*/false); }
  void cleanupTestCase() {
    host.reset();
    session.reset();
  }

  // A ToUnicode program as Qt writes it: look-alikes are mapped in single entries, in range
  // arrays, and a run that crosses one becomes an array; the rest stays byte for byte.
  void cmapDestinationsAreMappedInPlace() {
    const std::string cmap =
        "/CIDInit /ProcSet findresource begin\n2 beginbfchar\n<0001> <2F62>\n<0002> <0041>\n"
        "endbfchar\n2 beginbfrange\n<0003> <0005> <2F24>\n<0006> <0007> [<2F45> <4E00>]\n"
        "endbfrange\n1 beginbfrange\n<0008> <0009> <0061>\nendbfrange\nend\n";
    const std::string mapped = MapCMapDestinations(cmap, RealIdeograph);
    QCOMPARE(QString::fromStdString(mapped),
             QString::fromStdString(
                 "/CIDInit /ProcSet findresource begin\n2 beginbfchar\n<0001> <7518>\n"
                 "<0002> <0041>\nendbfchar\n2 beginbfrange\n<0003> <0005> [<5927> <5973> "
                 "<5B50>]\n<0006> <0007> [<65B9> <4E00>]\nendbfrange\n1 beginbfrange\n"
                 "<0008> <0009> <0061>\nendbfrange\nend\n"));
    QCOMPARE(MapCMapDestinations(mapped, RealIdeograph), mapped);
  }

  void reportOfAllFormulasFromTheMenu() {
    FangjiAnalysis& fangji = session->Window<FangjiAnalysis>();
    fangji.SetTextInput("-不存在的词语");
    fangji.Cmd_Search_Text_Click();
    host->ViewOf(fangji)->findChild<QAction*>("Menu_AnalysisReport")->trigger();
    auto* report = session->FindWindow<AnalysisReportWindow>();
    QVERIFY(report);
    // The dialog names the set the report will describe, as its data section does.
    auto* set = host->ViewOf(*report)->findChild<QLabel*>("Label_Set");
    QVERIFY(set);
    QVERIFY2(set->text().contains(QString::fromStdString(CurrentResultSetCaption(*session))),
             qPrintable(set->text()));
    QVERIFY(set->text().contains(QStringLiteral("首方剂，方剂库 ")));
    host->ViewOf(*report)->findChild<QPushButton*>("Cmd_Generate")->click();
    QVERIFY2(dialogs.Messages().empty(),
             dialogs.Messages().empty() ? "" : dialogs.Messages()[0].c_str());
    QCOMPARE(urls.opened.size(), std::size_t{1});
    QVERIFY(StartsWith(urls.opened[0], "file://"));

    // Well-formed, and every embedded picture decodes.
    QFile html(QString::fromStdString((root / "Result" / "分析报告.html").string()));
    QVERIFY(html.open(QIODevice::ReadOnly));
    QByteArray page = html.readAll();
    QXmlStreamReader xml(page);
    int pictures = 0;
    while (!xml.atEnd()) {
      if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"img") {
        QString src = xml.attributes().value("src").toString();
        QVERIFY(src.startsWith("data:image/png;base64,"));
        QImage image;
        QVERIFY(image.loadFromData(QByteArray::fromBase64(src.mid(22).toLatin1()), "PNG"));
        ++pictures;
      }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    // herbs, types, natures, the flavour and meridian radars, network, symptoms
    QCOMPARE(pictures, 7);

    // Six sections each begin a page, the methods one more; the text is selectable and holds
    // the most frequent herb with its count from the herb list file.
    const QString pdf = QString::fromStdString((root / "Result" / "分析报告.pdf").string());
    QString info = Run("pdfinfo", {pdf});
    QRegularExpressionMatch pages = QRegularExpression("Pages:\\s+(\\d+)").match(info);
    QVERIFY2(pages.hasMatch(), qPrintable(info));
    QVERIFY(pages.captured(1).toInt() >= 7);
    // The text layer holds the characters as written: a search for a herb finds it, and no
    // Kangxi radical or other compatibility look-alike stands in for an ideograph.
    QString text = Run("pdftotext", {pdf, "-"});
    for (const char* word : {"甘草", "麻黄", "大枣", "方剂"})
      QVERIFY2(text.contains(QString::fromUtf8(word)), word);
    // Digits after Latin letters too (a CJK font draws them with alternate glyphs that Qt
    // leaves out of the text layer), and the run id the HTML shows.
    QVERIFY(text.contains("Yaodui_Analysis1.txt"));
    QRegularExpressionMatch id = QRegularExpression(QString::fromUtf8("运行编号：[0-9A-Za-z-]+"))
                                     .match(QString::fromUtf8(page));
    QVERIFY(id.hasMatch());
    QVERIFY2(text.contains(id.captured(0)), qPrintable(id.captured(0)));
    for (QChar c : text)
      QVERIFY2(!(c.unicode() >= 0x2E80 && c.unicode() <= 0x2FDF), qPrintable(QString(c)));
    QVERIFY(text.contains("黄"));  // ⻩, the radicals supplement's yellow, has no NFKC form
    // Tables carry Chinese headers only, the node table too.
    for (const char* english : {"WeightedDegree", "Betweenness", "Closeness", "Frequency"})
      QVERIFY2(!text.contains(english), english);
    std::vector<std::string> herbs = ReadLines(root / "Result" / "Yaodui_Analysis1.txt");
    std::vector<std::string> first = Split(herbs.at(0), "\t");
    QVERIFY(text.contains(
        QRegularExpression(QRegularExpression::escape(QString::fromStdString(first[0])) + "\\s+" +
                           QRegularExpression::escape(QString::fromStdString(first[1])))));
    QVERIFY(text.contains("Methods"));
  }
};

QTEST_MAIN(AnalysisReportTest)
#include "analysis_report_test.moc"
