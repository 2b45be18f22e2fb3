// Recording fakes of the ports, with scripted answers for questions and input boxes.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "common/ports.h"
#include "common/session.h"

namespace lindora::test {

class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string kind;  // "message", "question", "input" or "save"
    std::string text;
    std::string title;
  };
  void Message(std::string_view text, std::string_view title = {}) override {
    shown.push_back({"message", std::string(text), std::string(title)});
  }
  bool AskYesNo(std::string_view text, std::string_view title = {}) override {
    shown.push_back({"question", std::string(text), std::string(title)});
    if (yes_no.empty()) return true;
    bool a = yes_no.front();
    yes_no.pop_front();
    return a;
  }
  std::string Input(std::string_view prompt, std::string_view default_text,
                    std::string_view title = {}) override {
    shown.push_back({"input", std::string(prompt), std::string(title)});
    if (inputs.empty()) return std::string(default_text);
    std::string a = inputs.front();
    inputs.pop_front();
    return a;
  }
  // Answers with the next queued file name (none: Cancel) and records what was offered.
  std::string AskSaveFile(std::string_view title, std::string_view suggested,
                          std::string_view) override {
    shown.push_back({"save", std::string(suggested), std::string(title)});
    if (save_files.empty()) return {};
    std::string a = save_files.front();
    save_files.pop_front();
    return a;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> m;
    for (const auto& s : shown)
      if (s.kind == "message") m.push_back(s.text);
    return m;
  }
  std::vector<Shown> shown;
  std::deque<bool> yes_no;
  std::deque<std::string> inputs;      // Cancel is the empty text
  std::deque<std::string> save_files;  // file dialogs' answers
};

class FakeUrlOpener : public UrlOpener {
 public:
  void Open(std::string_view address) override { opened.emplace_back(address); }
  std::vector<std::string> opened;
};

class FakeClipboard : public Clipboard {
 public:
  void Clear() override {
    text.clear();
    ++clears;
  }
  void SetText(std::string_view t) override {
    text.assign(t);
    ++sets;
  }
  std::string text;
  int clears = 0, sets = 0;
};

// The fakes and a session on a test folder, ready for a model test.
struct FakeWorld {
  explicit FakeWorld(const std::filesystem::path& root, Converter* converter = nullptr)
      : session(root, Ports{&dialogs, &urls, &clipboard, converter}) {
    InstallCatalog(session);
  }
  FakeDialogs dialogs;
  FakeUrlOpener urls;
  FakeClipboard clipboard;
  Session session;
};

}  // namespace lindora::test
