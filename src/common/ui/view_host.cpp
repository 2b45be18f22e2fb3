#include "common/ui/view_host.h"

#include "common/ui/fonts.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

namespace {
// What the window frame takes of the outer size the windows are designed with.
constexpr int kFrameWidthPx = 8;
constexpr int kFrameHeightPx = 30;
}  // namespace

FormView::FormView(WindowModel& model, const char* object_name, QWidget* parent)
    : QMainWindow(parent), model_(model) {
  setObjectName(object_name);
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(UiFont());
  model_.SetListener([this] { Refresh(); });
}

FormView::~FormView() = default;

void FormView::Refresh() {
  setWindowTitle(Q(model_.Caption()));
}

void FormView::SetFixedTwips(int width, int height) {
  setFixedSize(std::max(1, Px(width) - kFrameWidthPx), std::max(1, Px(height) - kFrameHeightPx));
}

void FormView::HoldSizeTwips(int width, int height) {
  held_size_ =
      QSize(std::max(1, Px(width) - kFrameWidthPx), std::max(1, Px(height) - kFrameHeightPx));
  resize(held_size_);
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
    session_.Unload(*m);
  });
}

void ViewHost::ShowView(WindowModel& model) {
  FormView* view = ViewOf(model);
  if (!view) return;
  view->showNormal();
  view->raise();
  view->activateWindow();
}

}  // namespace lindora::ui
