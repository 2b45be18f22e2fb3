#include "app/main_window.h"

#include "app/list_import_actions.h"
#include "app/msg.h"
#include "common/data_source_notice.h"
#include "common/session.h"
#include "common/version.h"
#include "common/web_addresses.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"

namespace lindora {

Main::Main(Session& session) : WindowModel(session) {
  SetCaption(kTitle);
}

const std::vector<MenuEntry>& Main::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_LoadFangjiList", "导入中药方剂列表(&J)", "Menu_File", true, true,
       On(&Main::Menu_LoadFangjiList_Click)},
      {"Menu_LoadDanweiyaoList", "导入单味药列表(&D)", "Menu_File", true, true,
       On(&Main::Menu_LoadDanweiyaoList_Click)},
      {"Menu_LoadChemList", "导入化学成分列表", "Menu_File", false, true, NoEffect},
      {"Menu_OpenLibrary", "打开方剂库…", "Menu_File", true, true,
       On(&Main::Menu_OpenLibrary_Click)},
      {"Menu_ImportFormulas", "导入处方…", "Menu_File", true, true,
       On(&Main::Menu_ImportFormulas_Click)},
      {"Menu_LibraryManagement", "方剂库管理", "Menu_File", true, true,
       On(&Main::Menu_LibraryManagement_Click)},
      {"Menu_Exit", "退出(&Q)", "Menu_File", true, true, On(&Main::Menu_Exit_Click)},
      {"Menu_DataManagement", "数据管理", "", false},
      {"Menu_FangjiManagement", "方剂库管理", "Menu_DataManagement", true, true, NoEffect},
      {"Menu_TCMNameManagement", "中药库管理", "Menu_DataManagement", true, true, NoEffect},
      {"Menu_IngredientManagement", "中药化学组分库管理", "Menu_DataManagement", true, true,
       NoEffect},
      {"Menu_DataAnalysis", "数据分析(&A)", "", true},
      {"Menu_FangjiAnalysis", "中药方剂分析(&F)", "Menu_DataAnalysis", true, true,
       On(&Main::Menu_FangjiAnalysis_Click)},
      {"Menu_DantiAnalysis", "中药单体分析(&D)", "Menu_DataAnalysis", true, true,
       On(&Main::Menu_DantiAnalysis_Click)},
      {"Menu_Help", "帮助(&H)", "", true},
      {"Menu_DataSource", "数据来源说明(&D)", "Menu_Help", true, true,
       On(&Main::Menu_DataSource_Click)},
      {"Menu_AboutAuthor", "关于作者(&A)", "Menu_Help", true, true,
       On(&Main::Menu_AboutAuthor_Click)},
      {"Menu_AboutThisSoft", "关于软件(&S)", "Menu_Help", false, true, NoEffect},
      {"Menu_Tutorials", "软件视频教程(&T)", "Menu_Help", true, true,
       On(&Main::Menu_Tutorials_Click)},
      {"Menu_SoftUpdate", "软件更新(&U)", "Menu_Help", true, true,
       On(&Main::Menu_SoftUpdate_Click)},
  };
  return menus;
}

std::string Main::UsageNotice() {
  std::string text = "1. 由于时间和水平有限，本软件还有很多不完善的地方，欢迎提出意见。";
  text +=
      "\r\n2. 本软件及其附带数据仅供教学和科研使用，不得用于临床诊疗或商业用途；"
      "未经Lindora项目组许可，不得转载、修改或再分发本软件及其数据。";
  text += "\r\n";
  text += "\r\n点击按钮“是”表示同意以上声明，“否”表示不同意以上声明。";
  return text;
}

std::string Main::AuthorNotice() {
  return "Lindora项目组\r\nLindora项目 中医药数据挖掘工具开发组\r\n"
         "Email: 暂无公开邮箱（反馈方式见使用说明）\r\n"
         "QQ: 暂无QQ群\r\n"
         "Welcome for your comments";
}

std::string Main::RunningMessage(std::string_view executable_name) {
  return std::string(executable_name) + " is running!";
}

bool Main::Form_Load(bool another_instance_running, std::string_view executable_name) {
  if (another_instance_running) {
    session_.Message(RunningMessage(executable_name));
    End();
    return false;
  }
  Show();
  if (!session_.dialogs().AskYesNo(UsageNotice(), kUsageTitle)) {
    End();
    return false;
  }
  session_.ActivityName = "抗流感";
  return true;
}

bool Main::Form_QueryUnload() {
  if (!session_.dialogs().AskYesNo(kExitQuestion)) return false;
  End();
  return true;
}

void Main::End() {
  ended_ = true;
  if (end_handler_) end_handler_();
}

void Main::Image_gjkj_Click() {
  session_.OpenUrl(kLogoGjkjAddress);
}
void Main::Image_rkjk_Click() {
  session_.OpenUrl(kLogoRkjkAddress);
}
void Main::Image_ZRV_Click() {
  session_.OpenUrl(kLogoZrvAddress);
}

Outcome Main::Menu_LoadFangjiList_Click() {
  OpenFormulaListImport(session_);
  return Outcome::kDone;
}
Outcome Main::Menu_LoadDanweiyaoList_Click() {
  OpenHerbListImport(session_);
  return Outcome::kDone;
}

Outcome Main::ShowLibraryWindow(LibraryWindow window) {
  if (!library_window_handler_) {
    session_.Message("方剂库的窗口只在图形界面中提供；命令行请用 libraries、import 和 --library。");
    return Outcome::kRefused;
  }
  library_window_handler_(window);
  return Outcome::kDone;
}
Outcome Main::Menu_OpenLibrary_Click() {
  return ShowLibraryWindow(LibraryWindow::kOpen);
}
Outcome Main::Menu_ImportFormulas_Click() {
  return ShowLibraryWindow(LibraryWindow::kImport);
}
Outcome Main::Menu_LibraryManagement_Click() {
  return ShowLibraryWindow(LibraryWindow::kManage);
}

Outcome Main::Menu_Exit_Click() {
  End();
  return Outcome::kDone;
}

Outcome Main::Menu_FangjiAnalysis_Click() {
  session_.Window<FangjiAnalysis>().Show();
  return Outcome::kDone;
}
Outcome Main::Menu_DantiAnalysis_Click() {
  session_.Window<DantiAnalysis>().Show();
  return Outcome::kDone;
}

Outcome Main::Menu_DataSource_Click() {
  session_.Window<Msg>().ShowNotice(DataSourceNoticeCaption(), DataSourceNoticeText());
  return Outcome::kDone;
}
Outcome Main::Menu_AboutAuthor_Click() {
  session_.Window<Msg>().ShowNotice("关于作者", AuthorNotice());
  return Outcome::kDone;
}

std::filesystem::path Main::GuideFile() const {
  return session_.Path(kGuideFile);
}

Outcome Main::Menu_Tutorials_Click() {
  // The program's own guide is a local file; addresses from data files stay http/https only.
  const std::filesystem::path guide = GuideFile();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(guide, ec)) {
    session_.Message("找不到使用说明 " + guide.string() +
                     "。它随源代码一起发布，在源代码的 docs/使用说明.md。");
    return Outcome::kRefused;
  }
  session_.OpenUrl("file://" + guide.lexically_normal().string());
  return Outcome::kDone;
}

std::string Main::UpdateNotice() {
  return "这是 Lindora " + std::string(ProgramVersion()) +
         " 版。\r\n新版本随 Lindora 的源代码发布，没有单独的下载地址："
         "取得新的源代码后运行 bash scripts/run.sh，即重新构建并启动新版本"
         "（见使用说明“软件更新”一节）。";
}

Outcome Main::Menu_SoftUpdate_Click() {
  session_.Message(UpdateNotice());
  return Outcome::kDone;
}

}  // namespace lindora
