// The ports for the desktop: real message boxes, the system clipboard, the browser.
#pragma once

#include <QWidget>

#include "common/ports.h"

namespace lindora::ui {

class QtDialogs : public Dialogs {
 public:
  void Message(std::string_view text, std::string_view title = {}) override;
  bool AskYesNo(std::string_view text, std::string_view title = {}) override;
  std::string Input(std::string_view prompt, std::string_view default_text,
                    std::string_view title = {}) override;
  std::string AskSaveFile(std::string_view title, std::string_view suggested,
                          std::string_view filter) override;
  // Where a save dialog offering a bare file name starts (the program's Result folder).
  void SetStartFolder(const QString& folder) { start_folder_ = folder; }

 private:
  QString start_folder_;
};

class QtClipboard : public Clipboard {
 public:
  void Clear() override;
  void SetText(std::string_view text) override;
};

class QtUrlOpener : public UrlOpener {
 public:
  void Open(std::string_view address) override;
};

}  // namespace lindora::ui
