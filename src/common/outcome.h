// What a handler did: the one boundary between an operation and the user. A handler returns
// kDone, kRefused (a message told the user why) or kFailed (a file or converter failure, one
// message naming it). The command-line tool's exit status is the outcome.
#pragma once

#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "common/files.h"
#include "common/session.h"

namespace lindora {

enum class Outcome { kDone, kRefused, kFailed };

// A converter run that failed, missed or hung; its message is what the user is told.
class ConverterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the user is told when memory runs out in the middle of a run.
inline constexpr char kOutOfMemoryMessage[] =
    "内存不足：这次运算需要的内存超过了本机可用的内存。请缩小结果集或降低分析规模（例如减少网络节点"
    "数、"
    "提高支持度或频数阈值）后重试。";

class FolderLock;
// Holds the lock of the session's Result folder while a handler runs, so that two runs of the
// program on one folder never write its files at once; nested handlers share one lock. Throws
// FileError ("另一个分析正在写入结果文件") when another run keeps it beyond a short wait.
class ResultsLock {
 public:
  explicit ResultsLock(const Session& session);
  ~ResultsLock();
  ResultsLock(const ResultsLock&) = delete;
  ResultsLock& operator=(const ResultsLock&) = delete;

 private:
  std::unique_ptr<FolderLock> lock_;
};

// Shows `message` and returns kRefused: the user asked for something that cannot be done now.
inline Outcome Refuse(Session& session, std::string_view message) {
  session.Message(message);
  return Outcome::kRefused;
}

// kDone when an operation did its job, else kRefused (it told the user why).
inline Outcome DoneIf(bool done) {
  return done ? Outcome::kDone : Outcome::kRefused;
}

// Runs a handler body and turns a FileError or ConverterError into one message and kFailed.
// The body returns an Outcome, a bool (DoneIf) or nothing for kDone. A failure the body reported
// itself (Session::ReportFailure, e.g. a picture that could not be drawn while the list was
// shown) makes the whole run kFailed as well. No handler catches these on its own.
template <class Fn>
Outcome Guard(Session& session, Fn&& body) {
  const int failures_before = session.Failures();
  Outcome outcome = Outcome::kFailed;
  try {
    const ResultsLock lock(session);
    using Result = std::invoke_result_t<Fn&>;
    if constexpr (std::is_void_v<Result>) {
      body();
      outcome = Outcome::kDone;
    } else if constexpr (std::is_same_v<Result, bool>) {
      outcome = DoneIf(body());
    } else {
      outcome = body();
    }
  } catch (const FileError& e) {
    session.ReportFailure(e.what());
  } catch (const ConverterError& e) {
    session.ReportFailure(e.what());
  } catch (const std::bad_alloc&) {
    session.ReportFailure(kOutOfMemoryMessage);
  }
  return session.Failures() > failures_before ? Outcome::kFailed : outcome;
}

}  // namespace lindora
