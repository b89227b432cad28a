// Seams through which the Qt-free layers reach the user besides the
// exception handler of app_hooks.h: the screen cursor (the busy cursor of
// long engine calls). The program installs the hooks once at start-up;
// until then a plain stored value stands in, so the dataset layer and its
// tests run with no window at all.
#pragma once

#include <functional>

class TObject;

// Cursor numbers shared by the dataset layer and the windowing framework.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;

struct TCursorHooks {
  std::function<TCursor()> Get;
  std::function<void(TCursor)> Set;
};

// The installed hooks; assign at start-up only.
TCursorHooks &CursorHooks();
TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);

// Sets the screen cursor for its lifetime and puts the previous one back.
class TCursorSaver {
public:
  explicit TCursorSaver(TCursor cursor) : saved_(ScreenCursor()) { SetScreenCursor(cursor); }
  ~TCursorSaver() { SetScreenCursor(saved_); }
  TCursorSaver(const TCursorSaver &) = delete;
  TCursorSaver &operator=(const TCursorSaver &) = delete;

private:
  TCursor saved_;
};

// Inside a catch block: hands the exception being handled to the
// application's handler (ApplicationHandleException); anything that is
// not a std::exception counts as "Unknown error".
void HandleCurrentException(TObject *sender = nullptr);
