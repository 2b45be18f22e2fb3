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

// Ends the module's drawing helper threads, if it was loaded, and waits until the system has
// taken them away. Called when the tool has done its work, before it exits: Qt's threads are
// detached, so at exit they would still be ending while the leak checker of a sanitizer build
// stops the world, and its tracer crashes on a live thread of the module (every time one is
// alive; about one run in a hundred before).
void EndCliPictures();

}  // namespace lindora::cli
