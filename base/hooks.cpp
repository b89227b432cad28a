#include "base/hooks.h"

#include <exception>

#include "base/app_hooks.h"
#include "base/exception.h"

TCursorHooks &CursorHooks() {
  static TCursorHooks hooks;
  return hooks;
}

namespace {
TCursor g_cursor = crDefault;
}

TCursor ScreenCursor() {
  return CursorHooks().Get ? CursorHooks().Get() : g_cursor;
}

void SetScreenCursor(TCursor cursor) {
  if (CursorHooks().Set)
    CursorHooks().Set(cursor);
  else
    g_cursor = cursor;
}

void HandleCurrentException(TObject *sender) {
  (void)sender;
  try {
    throw;
  } catch (const std::exception &e) {
    ApplicationHandleException(e);
  } catch (...) {
    ApplicationHandleException(Exception("Unknown error"));
  }
}
