// One run of the program: the program folder, the three global texts, the ports and the
// window models. A model is created on first use, reused while it stays loaded, and created
// afresh after its window was closed.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "common/files.h"
#include "common/ports.h"
#include "common/window_model.h"

namespace lindora {

struct AnalysisDescriptor;  // common/analysis_list.h
using AnalysisList = std::vector<AnalysisDescriptor>;
enum class Outcome;  // common/outcome.h
class Session;

// What a window says when the program did not install the operation it starts.
inline constexpr std::string_view kMissingWorkflowMessage = "本程序没有装入这项功能。";

// The operations a window starts in a subsystem above its own (the formula window saves a
// result set and opens the report; the single-herb window shows a herb's chemistry). The
// program's top layer installs them, so every subsystem links only the layers below it.
struct Workflows {
  std::function<Outcome(Session&)> save_result_set;                            // 保存结果集…
  std::function<Outcome(Session&)> open_report;                                // 生成分析报告
  std::function<Outcome(Session&, const std::string&)> show_herb_ingredients;  // 分析化学成分
  std::function<Outcome(Session&)> export_herb_chemistry;  // 导出单味药-化学成分表…
};

class Session {
 public:
  Session(std::filesystem::path program_folder, Ports ports);
  ~Session();

  const std::filesystem::path& ProgramFolder() const { return program_folder_; }
  // ProgramFolder + "\DB\…" style path.
  std::filesystem::path Path(std::string_view relative) const {
    return ProgramPath(program_folder_, relative);
  }

  Dialogs& dialogs() const { return *ports_.dialogs; }
  UrlOpener& urls() const { return *ports_.urls; }
  Clipboard& clipboard() const { return *ports_.clipboard; }
  Converter& converter() const { return *ports_.converter; }
  // Opens a web address in the browser.
  void OpenUrl(std::string_view address) const { ports_.urls->Open(address); }
  // A message box titled with the program title.
  void Message(std::string_view text) const { ports_.dialogs->Message(text); }
  // The one message of an operation that failed (a file that could not be read or written);
  // counted, so the handler guard (common/outcome.h) can tell a failure from a refusal.
  void ReportFailure(std::string_view text) {
    ++failures_;
    ports_.dialogs->Message(text);
  }
  int Failures() const { return failures_; }

  // The analyses of a result set, as the program's top layer put them together (the formula
  // window's menu, the console and the report read them here). Empty until set.
  void SetAnalyses(AnalysisList analyses);
  const AnalysisList& Analyses() const { return analyses_; }
  void SetWorkflows(Workflows workflows) { workflows_ = std::move(workflows); }
  const Workflows& workflows() const { return workflows_; }

  // The globals shared by the windows.
  std::string SearchHistory;
  std::string ActivityName = "抗流感";
  std::string RefSetPath;

  // The loaded model of window T, created (and its load steps run) on first use.
  template <class T>
  T& Window() {
    auto key = std::type_index(typeid(T));
    auto it = windows_.find(key);
    if (it != windows_.end()) return static_cast<T&>(*it->second);
    auto model = std::make_unique<T>(*this);
    T& ref = *model;
    windows_.emplace(key, std::move(model));
    if (on_create_) on_create_(ref);
    ref.Load();
    return ref;
  }
  template <class T>
  T* FindWindow() const {
    auto it = windows_.find(std::type_index(typeid(T)));
    return it == windows_.end() ? nullptr : static_cast<T*>(it->second.get());
  }
  // Closing a window unloads its model; the next use creates it anew.
  void Unload(const WindowModel& model);
  // Every loaded window model, in no particular order.
  std::vector<const WindowModel*> LoadedWindows() const {
    std::vector<const WindowModel*> loaded;
    for (const auto& [type, model] : windows_) loaded.push_back(model.get());
    return loaded;
  }

  // The desktop program registers these to create a view when a model is created and to
  // raise it when a model is shown.
  void SetCreateHandler(std::function<void(WindowModel&)> handler) {
    on_create_ = std::move(handler);
  }
  void SetShowHandler(std::function<void(WindowModel&)> handler) { on_show_ = std::move(handler); }
  void NotifyShown(WindowModel& model) const {
    if (on_show_) on_show_(model);
  }

 private:
  std::filesystem::path program_folder_;
  Ports ports_;
  std::map<std::type_index, std::unique_ptr<WindowModel>> windows_;
  std::function<void(WindowModel&)> on_create_, on_show_;
  int failures_ = 0;
  AnalysisList analyses_;
  Workflows workflows_;
};

// The folder of the running executable.
std::filesystem::path ExecutableFolder();

}  // namespace lindora

namespace lindora {
// Creates the Result, exe and exe/babel folders when they are missing (never DB: missing data
// is reported when an operation needs it). Returns an empty text or what went wrong.
std::string PrepareProgramFolder(const std::filesystem::path& program_folder);
}  // namespace lindora
