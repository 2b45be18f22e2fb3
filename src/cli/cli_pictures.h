// The picture writer of lindora-cli: a stand-in that loads the picture module (the windows'
// renderer, with Qt) from the tool's folder on the first picture and hands every picture to it.
// A command that draws nothing never loads Qt, which keeps the tool's start and memory small.
#pragma once

#include <filesystem>

namespace lindora::cli {

// The module's file name, beside the tool.
inline constexpr char kPictureModule[] = "lindora_cli_pictures.so";

// Installs the stand-in; `folder` holds the module. A module that cannot be loaded makes each
// picture fail with a message that names it.
void InstallCliPictureWriter(const std::filesystem::path& folder);

}  // namespace lindora::cli
