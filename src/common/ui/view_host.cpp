#include "common/ui/view_host.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include "common/session.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/fonts.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

FormView::FormView(WindowModel& model, const char* object_name, QWidget* parent)
    : QMainWindow(parent), model_(model) {
  setObjectName(object_name);
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(UiFont());
  model_.SetListener([this] { Refresh(); });
  // A chart belongs to the window that asked for it and closes with it.
  model_.SetChartListener([this](const BarChart& chart, std::string_view name) {
    auto* window = new ChartWindow(chart, Q(name), model_.session(), this);
    PlaceOnScreen(window, this);
    window->show();
    NoteShown(window);
  });
}

FormView::~FormView() = default;

void FormView::Refresh() {
  setWindowTitle(Q(model_.Caption()));
}

QSize FormView::ClientSize(int width, int height) const {
  const int w = std::max(1, Px(width));
  int h = std::max(1, Px(height));
  // The design's client area lies below the menu bar; Qt's window holds the bar as well.
  if (QWidget* bar = menuWidget(); bar && bar->isVisibleTo(this)) {
    const int bar_height = bar->heightForWidth(w);
    h += bar_height > 0 ? bar_height : bar->sizeHint().height();
  }
  // A status bar (the result-set line) lies below the client area.
  if (auto* status = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
    h += status->maximumHeight() < QWIDGETSIZE_MAX ? status->maximumHeight()
                                                   : status->sizeHint().height();
  return {w, h};
}

void FormView::SetFixedClientTwips(int width, int height) {
  setFixedSize(ClientSize(width, height));
}

void FormView::HoldClientTwips(int width, int height) {
  held_size_ = ClientSize(width, height);
  resize(held_size_);
}

void FormView::FitWithin(QSize limit) {
  const QSize fit = size().boundedTo(limit);
  if (fit == size()) return;
  if (held_size_.isValid()) held_size_ = fit;
  if (minimumSize() == maximumSize())
    setFixedSize(fit);
  else
    resize(fit);
}

void FormView::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (held_size_.isValid() && !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) &&
      size() != held_size_)
    resize(held_size_);
}

QWidget* FormView::WhiteCentralWidget() {
  auto* central = new QWidget(this);
  central->setAutoFillBackground(true);
  QPalette pal = central->palette();
  pal.setColor(QPalette::Window, Qt::white);
  central->setPalette(pal);
  setCentralWidget(central);
  return central;
}

ViewHost::ViewHost(Session& session) : session_(session) {
  session_.SetCreateHandler([this](WindowModel& m) { Create(m); });
  session_.SetShowHandler([this](WindowModel& m) { ShowView(m); });
}

ViewHost::~ViewHost() {
  session_.SetCreateHandler(nullptr);
  session_.SetShowHandler(nullptr);
  std::map<const WindowModel*, FormView*> views;
  views.swap(views_);
  for (auto& [model, view] : views) disconnect(view, &QObject::destroyed, this, nullptr);
  // Hidden first, while every model still lives: the focus leaves its box and the views are
  // told so before any of them goes.
  for (auto& [model, view] : views) view->hide();
  for (auto& [model, view] : views) {
    view->model().SetListener(nullptr);
    view->model().SetChartListener(nullptr);
    delete view;
  }
}

FormView* ViewHost::ViewOf(const WindowModel& model) const {
  auto it = views_.find(&model);
  return it == views_.end() ? nullptr : it->second;
}

void ViewHost::Create(WindowModel& model) {
  auto maker = makers_.find(std::type_index(typeid(model)));
  if (maker == makers_.end()) return;
  FormView* view = maker->second(model);
  views_[&model] = view;
  view->Refresh();
  connect(view, &QObject::destroyed, this, [this, m = &model] {
    views_.erase(m);
    m->SetListener(nullptr);
    m->SetChartListener(nullptr);
    session_.Unload(*m);
  });
}

namespace {

// Room the window manager takes around a window before it has drawn a frame we could measure.
constexpr int kFrameWidth = 8, kFrameHeight = 34;

// The window shown by the handler that is running now, until the event loop turns again.
QPointer<QWidget> just_shown;

}  // namespace

void PlaceOnScreen(QWidget* window, QWidget* parent) {
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect free = screen->availableGeometry();
  const QSize limit(free.width() - kFrameWidth, free.height() - kFrameHeight);
  if (auto* view = qobject_cast<FormView*>(window))
    view->FitWithin(limit);
  else
    window->resize(window->size().boundedTo(limit));
  QPoint at = parent && parent != window ? parent->frameGeometry().topLeft() + QPoint(32, 32)
                                         : free.topLeft();
  if (at.x() + window->width() + kFrameWidth > free.right() + 1) at.setX(free.left());
  if (at.y() + window->height() + kFrameHeight > free.bottom() + 1) at.setY(free.top());
  window->move(at.x(), at.y());
}

void NoteShown(QWidget* window) {
  just_shown = window;
  QTimer::singleShot(0, [] { just_shown = nullptr; });
}

QWidget* WindowForDialogs() {
  if (just_shown && just_shown->isVisible()) return just_shown;
  return QApplication::activeWindow();
}

void ViewHost::ShowView(WindowModel& model) {
  FormView* view = ViewOf(model);
  if (!view) return;
  if (!view->property("lindora_placed").toBool()) {
    view->setProperty("lindora_placed", true);
    PlaceOnScreen(view, QApplication::activeWindow());
  }
  view->showNormal();
  view->raise();
  view->activateWindow();
  NoteShown(view);
}

}  // namespace lindora::ui
