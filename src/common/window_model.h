// Base of every window model: what a window shows (caption, visibility, state) and one
// listener that the window's view or a test registers to hear about changes.
#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace lindora {

class Session;
class PictureWriter;
struct BarChart;
enum class Outcome;

enum class WindowState { kNormal, kMinimized, kMaximized };

class WindowModel {
 public:
  explicit WindowModel(Session& session) : session_(session) {}
  virtual ~WindowModel() = default;
  WindowModel(const WindowModel&) = delete;
  WindowModel& operator=(const WindowModel&) = delete;

  // The window's load steps; the session runs them once, right after creating the model.
  virtual void Load() {}
  // The name of the view class that shows this model (Frm_…), for views and printing.
  virtual std::string_view FormName() const = 0;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view caption);
  bool Visible() const { return visible_; }
  WindowState State() const { return state_; }
  // Shows the window in the normal state (creating its view if the program has views).
  void Show();
  void Hide();
  void SetState(WindowState state);

  void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }
  // Tells the view that something it shows has changed.
  void Changed() const {
    if (listener_) listener_();
  }

  // Asks the view to open a window with the chart, named `name`; without a view (command line,
  // core tests) nothing opens.
  void ShowChart(const BarChart& chart, std::string_view name) const {
    if (chart_listener_) chart_listener_(chart, name);
  }
  void SetChartListener(std::function<void(const BarChart&, std::string_view)> listener) {
    chart_listener_ = std::move(listener);
  }

  Session& session() const { return session_; }

  // The redraw counter, beside Grid::Version: it goes up with every new result whose picture or
  // chart the view must draw anew (0: none yet), so a view redraws only then.
  unsigned PictureVersion() const { return picture_version_; }

 protected:
  void NewPicture() { ++picture_version_; }

  // Saves a picture where the user chose: refused when the program cannot draw or `path` is no
  // place for a picture ending in one of `suffixes`; else `draw` writes it with the writer and
  // the path's lower-case suffix, a failed write reported like any other.
  Outcome WritePicture(const std::filesystem::path& path,
                       std::initializer_list<std::string_view> suffixes,
                       const std::function<void(PictureWriter&, const std::string&)>& draw);

  Session& session_;

 private:
  std::string caption_;
  bool visible_ = false;
  WindowState state_ = WindowState::kNormal;
  unsigned picture_version_ = 0;
  std::function<void()> listener_;
  std::function<void(const BarChart&, std::string_view)> chart_listener_;
};

}  // namespace lindora
