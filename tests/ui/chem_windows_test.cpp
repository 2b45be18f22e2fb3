#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "chem/active_component.h"
#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/ui/frm_active_component.h"
#include "chem/ui/frm_chem_analysis.h"
#include "chem/ui/picture_file.h"
#include "chem/ui/qt_converter.h"
#include "common/process.h"
#include "common/ui/twips.h"
#include "support/chem_standins.h"
#include "support/fake_ports.h"

using namespace lindora;
using namespace lindora::ui;

namespace {

QStringList ActionNames(const QMenu* menu) {
  QStringList names;
  for (QAction* a : menu->actions()) names << a->objectName();
  return names;
}

// A PNG drawn by the real converter with a transparent background.
QString TransparentPng(const test::TestFolder& f) {
  f.WriteBytes("t.smi", "CCO\n");
  auto obabel = FindExecutable({}, "obabel");
  if (!obabel) return {};
  std::string out = (f / "t.png").string();
  ProcessOutput po = RunProcess(*obabel, {(f / "t.smi").string(), "-O", out, "-xb", "none"},
                                std::chrono::seconds(30));
  return po.result.ok() ? QString::fromStdString(out) : QString();
}

// Closes a view and deletes it now, while its session still lives.
void CloseNow(QWidget* view) {
  view->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class ChemWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void chemicalWindowHasItsControlsMenusAndSize() {
    test::TestFolder f;
    BlockingConverter converter;
    test::FakeWorld w(f.root(), &converter);
    ViewHost host(w.session);
    RegisterViews(host);
    ChemAnalysis& chem = w.session.Window<ChemAnalysis>();
    auto* view = qobject_cast<Frm_ChemAnalysis*>(host.ViewOf(chem));
    QVERIFY(view);
    QCOMPARE(view->objectName(), QString("Frm_ChemAnalysis"));
    QCOMPARE(view->windowTitle(), QString("化学成分分析"));
    QVERIFY(view->findChild<FlexGridView*>("FlexGrid"));
    auto* frame = view->findChild<QGroupBox*>("Frame_Structure");
    QVERIFY(frame);
    QCOMPARE(frame->title(), QString("结构式"));
    auto* pic = frame->findChild<PictureBox*>("Pic_Mol");
    QVERIFY(pic);
    QCOMPARE(pic->geometry(), QRect(Px(120), Px(240), Px(4215), Px(4095)));
    QCOMPARE(view->minimumSize(), view->maximumSize());
    // Its buttons are chosen, not left to the window manager, and maximise is not among them.
    QVERIFY(view->windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(!(view->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(view->windowFlags() & Qt::WindowCloseButtonHint);

    auto* bar = view->menuBar();
    QStringList top;
    for (QAction* a : bar->actions()) top << a->objectName() + (a->isVisible() ? "" : "(hidden)");
    QCOMPARE(top, QStringList({"Menu_File(hidden)", "Menu_Analysis", "Menu_PopupMenu(hidden)",
                               "Menu_Screening"}));
    auto* analysis = view->findChild<QMenu*>("Menu_Analysis");
    QCOMPARE(ActionNames(analysis), QStringList({"Menu_FindActiveComponent", "Menu_FindSimilarTCM",
                                                 "Menu_PropertyAnalysis", "Menu_ScaffoldAnalysis",
                                                 "Menu_RingSystemAnalysis"}));
    QVERIFY(!view->findChild<QAction*>("Menu_ScaffoldAnalysis")->isVisible());
    auto* active = view->findChild<QMenu*>("Menu_FindActiveComponent");
    QCOMPARE(ActionNames(active), QStringList({"Menu_FindAntiinfluenza", "Menu_FindAnticancer"}));
    QVERIFY(view->findChild<QAction*>("Menu_FindAntiinfluenza")->isChecked());
    QVERIFY(!view->findChild<QAction*>("Menu_FindAnticancer")->isChecked());
    QCOMPARE(ActionNames(view->PopupMenu()),
             QStringList({"Menu_SearchPubChem", "Menu_CalProperties"}));
    QCOMPARE(view->findChild<QAction*>("Menu_CalProperties")->text(), QString("计算理化性质"));

    // The check marks follow the model, not Qt's own toggling.
    view->findChild<QAction*>("Menu_FindAnticancer")->trigger();  // reference set is missing
    QVERIFY(view->findChild<QAction*>("Menu_FindAnticancer")->isChecked());
    QVERIFY(!view->findChild<QAction*>("Menu_FindAntiinfluenza")->isChecked());
    CloseNow(host.ViewOf(w.session.Window<ActiveComponent>()));  // created by the analysis
    CloseNow(view);
  }

  void activeWindowHasItsControlsAndPopupMenu() {
    test::TestFolder f;
    test::FakeWorld w(f.root());
    ViewHost host(w.session);
    RegisterViews(host);
    auto* view =
        qobject_cast<Frm_ActiveComponent*>(host.ViewOf(w.session.Window<ActiveComponent>()));
    QVERIFY(view);
    QCOMPARE(view->windowTitle(), QString("可能的活性组分分析"));
    QCOMPARE(ActionNames(view->PopupMenu()),
             QStringList(
                 {"Menu_SearchTCM", "Menu_OpenRef", "Menu_SearchPubChem", "Menu_CalProperties"}));
    QCOMPARE(view->findChild<FlexGridView*>("FlexGrid")->geometry(),
             QRect(Px(4680), Px(240), Px(15300), Px(4500)));
    QCOMPARE(view->findChild<PictureBox*>("Pic_Mol")->size(), QSize(Px(4215), Px(4215)));
    // The size is held, but the window may still be maximised.
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    const QSize held = view->size();
    QVERIFY(view->maximumSize() != held);
    view->resize(held + QSize(50, 40));
    QTRY_COMPARE(view->size(), held);
    CloseNow(view);
  }

  void transparentPictureIsFlattenedOntoWhite() {
    test::TestFolder f;
    QString path = TransparentPng(f);
    QVERIFY2(!path.isEmpty(), "the converter could not draw");
    QImage source(path);
    QVERIFY(source.hasAlphaChannel());
    QCOMPARE(qAlpha(source.pixel(0, 0)), 0);
    QImage picture = LoadPictureFile(path);
    QCOMPARE(picture.size(), source.size());
    QVERIFY(!picture.hasAlphaChannel());
    QCOMPARE(picture.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(picture.pixel(picture.width() - 1, picture.height() - 1), qRgb(255, 255, 255));
    // The drawing itself is kept: some pixel is not white.
    bool drawn = false;
    for (int y = 0; y < picture.height() && !drawn; ++y)
      for (int x = 0; x < picture.width() && !drawn; ++x)
        drawn = picture.pixel(x, y) != qRgb(255, 255, 255);
    QVERIFY(drawn);
  }

  void pictureBoxShowsOwnSizeAndKeepsThePreviousOnError() {
    test::TestFolder f;
    QImage big(300, 300, QImage::Format_ARGB32);
    big.fill(Qt::transparent);
    QVERIFY(big.save(QString::fromStdString((f / "big.png").string())));
    PictureBox box;
    box.resize(100, 80);
    StructurePicture picture{f / "big.png", {300, 300}, 1};
    QCOMPARE(box.Show(picture), std::string());
    QCOMPARE(box.pixmap().size(), QSize(300, 300));
    QCOMPARE(box.alignment(), Qt::AlignLeft | Qt::AlignTop);
    QCOMPARE(box.image().pixel(150, 150), qRgb(255, 255, 255));
    qint64 shown = box.pixmap().cacheKey();
    StructurePicture missing{f / "gone.png", {300, 300}, 2};
    QCOMPARE(box.Show(missing), std::string(kPictureError) + (f / "gone.png").string());
    QCOMPARE(box.pixmap().cacheKey(), shown);
    QCOMPARE(box.Show(missing), std::string());  // reported once
    try {
      LoadPictureFile(QString::fromStdString((f / "gone.png").string()));
      QFAIL("no error");
    } catch (const PictureError& e) {
      QCOMPARE(e.number(), 999);
      QCOMPARE(QString(e.source()), QString("GDI+ Module"));
    }
  }

  void converterWaitsOnEventsShowsDotsRefusesASecondAndKillsAHangingOne() {
    test::TestFolder f;
    test::PlaceConverterStandIn(f, "exec sleep 30");
    QWidget main;
    main.setObjectName("Frm_Main");
    main.setWindowTitle("Lindora");
    main.show();
    QWidget other;  // any other window: none of its handlers may start meanwhile
    other.show();
    QtConverter converter(std::chrono::milliseconds(1500), std::chrono::milliseconds(100));
    bool disabled_meanwhile = false, other_disabled_meanwhile = false;
    QString caption_meanwhile;
    ConverterResult second;
    QTimer::singleShot(600, &main, [&] {
      disabled_meanwhile = !main.isEnabled();
      other_disabled_meanwhile = !other.isEnabled();
      caption_meanwhile = main.windowTitle();
      second = converter.Run(f / "exe/babel/obabel", {});
    });
    QElapsedTimer clock;
    clock.start();
    ConverterResult first = converter.Run(f / "exe/babel/obabel", {"x"});
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY2(first.status == ConverterResult::Status::kTimedOut, first.message.c_str());
    QVERIFY(QString::fromStdString(first.message).contains("已被终止"));
    QCOMPARE(int(second.status), int(ConverterResult::Status::kBusy));
    QVERIFY(disabled_meanwhile);
    QVERIFY(other_disabled_meanwhile);
    QVERIFY(other.isEnabled());
    QVERIFY(caption_meanwhile.startsWith("Proceeding, please wait."));
    QVERIFY(main.isEnabled());
    QCOMPARE(main.windowTitle(), QString("Lindora"));
    QVERIFY(!QtConverter::Running());

    test::PlaceConverterStandIn(f, "exit 4");
    ConverterResult failed = converter.Run(f / "exe/babel/obabel", {});
    QCOMPARE(int(failed.status), int(ConverterResult::Status::kFailed));
    QCOMPARE(failed.exit_code, 4);
    ConverterResult missing = converter.Run(f / "exe/babel/none", {});
    QCOMPARE(int(missing.status), int(ConverterResult::Status::kCannotStart));
  }

  // The shipped data with the real converter; LINDORA_SHOTS=DIR keeps screenshots of both windows.
  void shippedHerbShowsItsStructureAndActiveComponents() {
    QtConverter converter;
    test::FakeDialogs dialogs;
    test::FakeUrlOpener urls;
    test::FakeClipboard clipboard;
    test::TestFolder f(LINDORA_BIN_DIR);
    Session session(f.root(), Ports{&dialogs, &urls, &clipboard, &converter});
    InstallCatalog(session);
    ViewHost host(session);
    RegisterViews(host);
    QCOMPARE(ShowHerbIngredients(session, "甘草"), Outcome::kDone);
    ChemAnalysis& chem = session.Window<ChemAnalysis>();
    auto* chem_view = host.ViewOf(chem);
    QVERIFY(chem_view->isVisible());
    auto* pic = chem_view->findChild<PictureBox*>("Pic_Mol");
    QVERIFY(!pic->pixmap().isNull());
    QCOMPARE(pic->pixmap().size(), QSize(chem.PicMol().size.width, chem.PicMol().size.height));
    chem.Menu_FindAntiinfluenza_Click();
    auto* active_view = host.ViewOf(session.Window<ActiveComponent>());
    QVERIFY(active_view->isVisible());
    QVERIFY(!active_view->findChild<PictureBox*>("Pic_Mol")->pixmap().isNull());
    if (const char* dir = std::getenv("LINDORA_SHOTS")) {
      QTest::qWait(200);
      chem_view->grab().save(QString(dir) + "/chem_analysis.png");
      active_view->grab().save(QString(dir) + "/active_component.png");
    }
    CloseNow(chem_view);
    CloseNow(active_view);
  }
};

QTEST_MAIN(ChemWindowsTest)
#include "chem_windows_test.moc"
