// Creates the Qt view of a window model when the session creates the model, shows it when the
// model is shown, and unloads the model when the user closes the view.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <typeindex>

#include "common/session.h"

namespace lindora::ui {

class ViewHost;

// Base of every Frm_* view: listens to its model and re-reads it after each change.
class FormView : public QMainWindow {
  Q_OBJECT
 public:
  FormView(WindowModel& model, const char* object_name, QWidget* parent = nullptr);
  ~FormView() override;
  // Re-reads everything the model shows (caption, grids, labels…).
  virtual void Refresh();
  WindowModel& model() const { return model_; }
  // Shrinks the window (a fixed or held size too) so that it fits within `size`; the classic
  // sizes stay wherever the screen has room for them.
  void FitWithin(QSize size);

 protected:
  // Fixes the window's size from its design client area (twips) and the menu bar it really
  // has, whatever the platform's frame takes; the window cannot be resized. Call it after the
  // menus are built.
  void SetFixedClientTwips(int width, int height);
  // Holds that size like SetFixedClientTwips, but keeps the maximise button: a maximised window
  // stays maximised, any other resize is set back.
  void HoldClientTwips(int width, int height);
  void resizeEvent(QResizeEvent* event) override;
  QSize ClientSize(int width, int height) const;
  // Makes a central widget with a white background and returns it.
  QWidget* WhiteCentralWidget();

 private:
  WindowModel& model_;
  QSize held_size_;
};

// The first time a window shows: within the screen's free area (a 1366×768 laptop with a task
// bar leaves about 1366×728), title bar included, and cascaded from the window it was opened
// from rather than piled on the last one.
void PlaceOnScreen(QWidget* window, QWidget* parent);
// A handler that shows a window and then asks or tells the user something speaks for that
// window: its box belongs to it, so that closing the box leaves that window in front (a window
// manager raises a box's owner with it). Anywhere else a box belongs to the active window.
void NoteShown(QWidget* window);
QWidget* WindowForDialogs();

class ViewHost : public QObject {
  Q_OBJECT
 public:
  explicit ViewHost(Session& session);
  // Views hold references into the models: every view still open goes here, before the session
  // (declared before the host) destroys the models.
  ~ViewHost() override;
  template <class Model, class View>
  void Register() {
    makers_[std::type_index(typeid(Model))] = [](WindowModel& m) -> FormView* {
      return new View(static_cast<Model&>(m));
    };
  }
  FormView* ViewOf(const WindowModel& model) const;

 private:
  void Create(WindowModel& model);
  void ShowView(WindowModel& model);
  Session& session_;
  std::map<std::type_index, std::function<FormView*(WindowModel&)>> makers_;
  std::map<const WindowModel*, FormView*> views_;
};

}  // namespace lindora::ui
