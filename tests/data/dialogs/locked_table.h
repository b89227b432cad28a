// A password-protected catalogue table for the dialog tests, kept apart
// from the windowing headers: opens it and reports how that went.
#pragma once

#include <string>

// Makes "locked.db" protected by "walrus" in `folder`.
void MakeLockedTable(const std::string &folder);
// Opens "locked.db" of `folder` (asking through the session's prompt as
// needed); 0 when it opened, else the engine's result code (or -1 for any
// other failure).
int OpenLockedTable(const std::string &folder);
