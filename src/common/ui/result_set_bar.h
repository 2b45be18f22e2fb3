// The line at the foot of an analysis window naming the result set its tables describe. Once a
// new query has made them stale it turns red and offers 重新分析, one click to run the analysis
// again on the current result set. It checks again whenever the window becomes active.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <functional>
#include <string>

namespace lindora::ui {

class ResultSetBar : public QWidget {
 public:
  struct State {
    std::string text;  // empty: the window describes no result set, the bar is hidden
    bool stale = false;
  };
  // Puts the bar into the window's status bar. `state` is asked on every Update().
  ResultSetBar(QMainWindow* window, std::function<State()> state, std::function<void()> rerun);
  void Update();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Elide();
  std::function<State()> state_;
  QString full_;
  int lines_ = 1;  // the lines the label takes
  QLabel* label_;
  QPushButton* button_;
};

// The bar of a window model that keeps a DescribedSet (Described()).
template <class Model>
ResultSetBar* AddResultSetBar(QMainWindow* view, Model& model) {
  return new ResultSetBar(
      view,
      [&model] {
        const auto& described = model.Described();
        return ResultSetBar::State{described.Text(model.session()),
                                   described.Stale(model.session())};
      },
      [&model] { model.Described().RunAgain(model.session()); });
}

}  // namespace lindora::ui
