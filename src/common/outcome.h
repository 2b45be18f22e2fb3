// What a handler did: the one boundary between an operation and the user. A handler returns
// kDone, kRefused (a message told the user why) or kFailed (a file or converter failure, one
// message naming it). The command-line tool's exit status is the outcome.
#pragma once

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
  }
  return session.Failures() > failures_before ? Outcome::kFailed : outcome;
}

}  // namespace lindora
