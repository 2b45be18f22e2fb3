// Saving a picture under a name the user chooses, one rule for every window: the save dialog
// starts in \Result\, a name without an extension gets the suffix of the kind offered, and an
// extension must be one the window writes, in any letter case.
#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/outcome.h"

namespace lindora {

class Session;

// Empty when a picture may be written to `path`: it ends in one of `suffixes` (".png", ".svg";
// any letter case) and is a place for the user's files (CheckUserOutputs); else the message
// that says why not.
std::string PictureFileProblem(const Session& session, const std::filesystem::path& path,
                               std::initializer_list<std::string_view> suffixes);

// The lower-case extension of a picture path (".png"), for choosing how to write it.
std::string PictureSuffix(const std::filesystem::path& path);

// Asks where to save (title, the file `name` + `suffix` in \Result\, the dialog's `filter`),
// adds `suffix` to a name without an extension and hands the path to `save`, which checks and
// writes it. A cancelled dialog is no error.
Outcome AskAndSavePicture(Session& session, std::string_view title, std::string_view name,
                          std::string_view suffix, std::string_view filter,
                          const std::function<Outcome(const std::filesystem::path&)>& save);

}  // namespace lindora
