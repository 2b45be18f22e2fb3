#include "common/ui/view_host.h"

#include "common/ui/twips.h"

namespace lindora::ui {

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

QSize FormView::ClientSize(int width, int height) const {
  const int w = std::max(1, Px(width));
  int h = std::max(1, Px(height));
  // The design's client area lies below the menu bar; Qt's window holds the bar as well.
  if (QWidget* bar = menuWidget(); bar && bar->isVisibleTo(this)) {
    const int bar_height = bar->heightForWidth(w);
    h += bar_height > 0 ? bar_height : bar->sizeHint().height();
  }
  return {w, h};
}

void FormView::SetFixedClientTwips(int width, int height) {
  setFixedSize(ClientSize(width, height));
}

void FormView::HoldClientTwips(int width, int height) {
  held_size_ = ClientSize(width, height);
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
