// The main window: the program's menus, three logo links, start-up and closing.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"

namespace lindora {

class Main : public WindowModel {
 public:
  static constexpr std::string_view kTitle = "Lindora";
  static constexpr int kWidth = 10950;  // twips; the window keeps this size
  static constexpr int kHeight = 1665;
  // Design client area (twips): the outer size less a 16 × 38 px frame and title bar.
  static constexpr int kClientWidth = kWidth - 240;
  static constexpr int kClientHeight = kHeight - 570;
  static constexpr std::string_view kUsageTitle = "软件使用前须知";
  static constexpr std::string_view kExitQuestion = "确定退出软件么？";

  explicit Main(Session& session);
  std::string_view FormName() const override { return "Frm_Main"; }

  static const std::vector<MenuEntry>& MenuBar();
  static std::string UsageNotice();
  static std::string AuthorNotice();
  static std::string RunningMessage(std::string_view executable_name);
  // What the update item says: this version and where new versions come from.
  static std::string UpdateNotice();
  // The user guide in the program folder, which the tutorial item opens.
  static constexpr std::string_view kGuideFile = "\\docs\\使用说明.md";
  std::filesystem::path GuideFile() const;

  // Start-up: refuses a second instance, shows the window, asks for the usage notice and sets
  // the activity name. False when the program is to end.
  bool Form_Load(bool another_instance_running, std::string_view executable_name);
  // The close box or any other unload request: true when the program may end.
  bool Form_QueryUnload();
  // Any size is set back to the fixed one.
  void Form_Resize() {}

  void Image_gjkj_Click();
  void Image_rkjk_Click();
  void Image_ZRV_Click();
  Outcome Menu_LoadFangjiList_Click();
  Outcome Menu_LoadDanweiyaoList_Click();
  Outcome Menu_Exit_Click();
  Outcome Menu_FangjiAnalysis_Click();
  Outcome Menu_DantiAnalysis_Click();
  Outcome Menu_DataSource_Click();
  Outcome Menu_AboutAuthor_Click();
  Outcome Menu_Tutorials_Click();
  Outcome Menu_SoftUpdate_Click();
  Outcome Menu_OpenLibrary_Click();
  Outcome Menu_ImportFormulas_Click();
  Outcome Menu_LibraryManagement_Click();

  // The formula-library windows are the desktop program's own; it sets this to open them.
  enum class LibraryWindow { kOpen, kImport, kManage };
  void SetLibraryWindowHandler(std::function<void(LibraryWindow)> handler) {
    library_window_handler_ = std::move(handler);
  }

  // Ending the program: every window closes at once, no closing steps run.
  bool Ended() const { return ended_; }
  void SetEndHandler(std::function<void()> handler) { end_handler_ = std::move(handler); }

 private:
  void End();
  bool ended_ = false;
  std::function<void()> end_handler_;
  std::function<void(LibraryWindow)> library_window_handler_;
  Outcome ShowLibraryWindow(LibraryWindow window);
};

}  // namespace lindora
