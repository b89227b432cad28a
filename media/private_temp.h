// The user's private folder for the viewer's temporary media files, and a
// way of writing a file there that cannot be turned against the user.
#pragma once

#include <cstddef>
#include <string>

// The folder, ending in "/": $XDG_RUNTIME_DIR/bonussfx/<process number>,
// else <system temp>/bonussfx-<uid>/<process number>, both levels created
// mode 0700; folders left by programs that have ended are removed. A path that exists but is
// not a directory of ours with no access for others (a link someone planted,
// say) is not used: a fresh folder of a unique name is made instead.
// Raises EFCreateError when no folder can be made.
std::string PrivateTempFolder();

// Creates `path` anew (removing a file already there) without following a
// link at its last component, mode 0600, and writes `size` bytes. Raises
// EFCreateError "Cannot create file %s" when the file cannot be created and
// EWriteError when the bytes cannot be written.
void WritePrivateFile(const std::string &path, const void *data, std::size_t size);

// Whether `folder` is a directory we can make current (the test the viewer
// applies to a new temporary folder).
bool FolderUsable(const std::string &folder);
