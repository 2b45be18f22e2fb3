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

// Runs a handler body and turns a FileError or ConverterError into one message and kFailed.
// The body returns an Outcome, or nothing for kDone. No handler catches these on its own.
template <class Fn>
Outcome Guard(Session& session, Fn&& body) {
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<Fn&>>) {
      body();
      return Outcome::kDone;
    } else {
      return body();
    }
  } catch (const FileError& e) {
    session.ReportFailure(e.what());
  } catch (const ConverterError& e) {
    session.ReportFailure(e.what());
  }
  return Outcome::kFailed;
}

}  // namespace lindora
