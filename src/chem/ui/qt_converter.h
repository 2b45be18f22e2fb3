// The converter port of the desktop program: runs the converter with QProcess while the event
// loop keeps running, disables every window and counts dots in the main window's caption
// meanwhile, refuses a second conversion and kills one that runs past the time limit.
#pragma once

#include <chrono>

#include "common/ports.h"

namespace lindora::ui {

class QtConverter : public Converter {
 public:
  static constexpr const char* kWaitCaption = "Proceeding, please wait";

  explicit QtConverter(std::chrono::milliseconds limit = std::chrono::seconds(60),
                       std::chrono::milliseconds dot_interval = std::chrono::milliseconds(400))
      : limit_(limit), dot_interval_(dot_interval) {}
  ConverterResult Run(const std::filesystem::path& program,
                      const std::vector<std::string>& args) override;

  // True while a conversion runs; windows whose models a conversion uses stay open meanwhile.
  static bool Running() { return running_; }

 private:
  class Scope;
  std::chrono::milliseconds limit_;
  std::chrono::milliseconds dot_interval_;
  static inline bool running_ = false;
};

}  // namespace lindora::ui
