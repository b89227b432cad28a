// Ways for the Qt-free layers to reach the user: the program installs the
// application's exception handler at start-up (a message box in the window
// program, a line on standard error in the command-line tool). Until one
// is installed, errors are written to standard error.
#pragma once

#include <exception>
#include <functional>

using TExceptionHandler = std::function<void(const std::exception &)>;

void SetApplicationExceptionHandler(TExceptionHandler handler);
// Shows an exception the way the application's top-level handler does;
// the silent abort shows nothing.
void ApplicationHandleException(const std::exception &e);
