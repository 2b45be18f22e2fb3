// The picture writer of lindora-cli: the rendering library on Qt's offscreen platform, started
// on the first picture. The tool's main installs it.
#pragma once

namespace lindora::cli {

void InstallCliPictureWriter();

}  // namespace lindora::cli
