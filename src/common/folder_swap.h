// Putting a freshly written folder in the place of another so that a kill at any moment leaves
// one whole folder under the name, and tidying at start what a killed process left.
//
// The new folder is written as PARENT/.NAME.importing-PID. When NAME does not exist it is
// renamed into place. When it does, the two are exchanged in one step where the file system
// allows it (the old folder then sits under the hidden name until it is removed); elsewhere NAME
// is first renamed to .NAME.replaced-PID and the new folder then takes its place.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lindora {

std::filesystem::path FolderSwapTemporary(const std::filesystem::path& folder);
std::filesystem::path FolderSwapAside(const std::filesystem::path& folder);

// Puts `temporary` (a FolderSwapTemporary) in the place of `folder`, removing the old folder.
// Returns 0, or the errno of a rename that failed; then the old folder is still in place.
int SwapFolderIn(const std::filesystem::path& temporary, const std::filesystem::path& folder);

// For every hidden folder of a process that has ended: .NAME.importing-PID is removed (it is an
// unfinished new folder or, after an exchange, the old one); .NAME.replaced-PID goes back to NAME
// when NAME is missing and is removed when NAME is there. Returns how many were tidied.
int RecoverFolderSwaps(const std::filesystem::path& parent);

}  // namespace lindora
