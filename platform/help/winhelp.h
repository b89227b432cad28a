// The help viewer: a window that shows a help file (helpfile.h) by topic.
#pragma once

#include <cstdint>
#include <string>

// Commands, as numbered by callers.
constexpr unsigned kHelpContext = 1;  // data: the topic number
constexpr unsigned kHelpQuit = 2;     // closes the viewer
constexpr unsigned kHelpContents = 3; // the contents topic
constexpr unsigned kHelpOnHelp = 4;   // how to use the viewer

// Shows `file` in the viewer window for the command. Returns false (after
// telling the user in a message box) when the file cannot be read or has no
// such topic; the viewer then shows the contents.
bool WinHelp(const std::string &file, unsigned command, uintptr_t data);

// What the viewer shows: its topic number (-1 when closed or showing the
// viewer's own help) and file. For tests and diagnostics.
int HelpViewerTopic();
std::string HelpViewerFile();
void CloseHelpViewer();
