// The list import window: a typed or pasted list of formula names or herb names brought in as
// if a search or an analysis had produced it. The caption is the mode.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"

namespace lindora {

class Input : public WindowModel {
 public:
  static constexpr std::string_view kFormulaMode = "导入方剂";
  static constexpr std::string_view kHerbMode = "导入单味药";
  // Twips: the window keeps this outer size.
  static constexpr int kWidth = 4000;
  static constexpr int kHeight = 4290;
  // Design client area (twips): the outer size less a 16 × 38 px frame and title bar.
  static constexpr int kClientWidth = kWidth - 240;
  static constexpr int kClientHeight = kHeight - 570;
  static constexpr std::string_view kTextInputToolTip = "每个记录一行或用逗号隔开";
  static constexpr std::string_view kCmdInputCaption = "导入列表";
  static constexpr std::string_view kCmdInputToolTip = "每个记录用逗号隔开或每一行一个记录";
  static constexpr std::string_view kMenuToolsCaption = "工具(&T)";
  static constexpr std::string_view kMenuStandardDataCaption = "数据标准化(&S)";

  explicit Input(Session& session) : WindowModel(session) {}
  std::string_view FormName() const override { return "Frm_Input"; }
  // Loading the window empties the list.
  void Load() override { text_input_.clear(); }

  // 工具 with 数据标准化; the view shows 工具 in herb mode only (Menu_ToolsVisible).
  static const std::vector<MenuEntry>& MenuBar();

  // What the main window's two menu items do: set the mode, empty the list, show the window,
  // and offer the tool menu in herb mode only.
  void OpenInMode(std::string_view mode);

  const std::string& TextInput() const { return text_input_; }
  void SetTextInput(std::string_view text);
  bool MenuToolsVisible() const { return menu_tools_visible_; }

  // Imports the list in the window's mode; an empty list or an unknown mode does nothing.
  Outcome Cmd_Input_Click();
  // Herb mode: cleans the list with the composition clean-up and puts it back, "，"-separated.
  Outcome Menu_StandardData_Click();

  // The items of a list: "，", "," and line breaks separate; order kept, empty items included.
  static std::vector<std::string> SplitList(std::string_view text);

 private:
  // Returns the names no record was found for.
  std::vector<std::string> ImportFormulas(const std::vector<std::string>& items);
  void ImportHerbs(const std::vector<std::string>& items);

  std::string text_input_;
  bool menu_tools_visible_ = false;
};

}  // namespace lindora
