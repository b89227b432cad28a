#include "media/media_player.h"

#include "media/mp_glyphs.h"
#include "platform/mci/mci_notify.h"

#include <QObject>

#include <algorithm>

namespace {

constexpr const char *kDeviceTypeNames[] = {
    "",        "AVIVideo", "CDAudio",   "DAT", "DigitalVideo", "MMMovie",  "Other",
    "Overlay", "Scanner",  "Sequencer", "VCR", "Videodisc",    "WaveAudio"};

const char *kNoDevice = "No MCI device open";

} // namespace

// Receives the completion notices posted to the player's callback handle.
class TMediaPlayer::NotifyReceiver : public QObject {
public:
  explicit NotifyReceiver(TMediaPlayer *player) : player_(player) {}
  bool event(QEvent *e) override {
    if (e->type() != MciNotifyEvent::EventType()) return QObject::event(e);
    auto code = static_cast<MciNotifyEvent *>(e)->Code();
    try {
      player_->MMNotify(code);
    } catch (...) {
      HandleCurrentException(player_);
    }
    return true;
  }

private:
  TMediaPlayer *player_;
};

TMediaPlayer::TMediaPlayer(TComponent *owner) : TCustomControl(owner) {
  receiver_ = std::make_unique<NotifyReceiver>(this);
  notifyHandle_ = MciRegisterWindow(receiver_.get());
  int widest = 0, tallest = 0;
  for (int b = 0; b < 9; ++b) {
    for (int look = 0; look < 3; ++look) {
      TBitmap &g = buttons_[b].Glyphs[look];
      const QImage &img = MediaPlayerGlyph(b, static_cast<TMPGlyphLook>(look));
      g.LoadFromImage(img);
      g.SetTransparent(true);
      g.SetTransparentColor(clOlive);
      widest = std::max(widest, img.width());
      tallest = std::max(tallest, img.height());
    }
  }
  minButtonSize_ = Point(widest + 8, tallest + 4);
  SetTabStop(false);
  // A new control is 240 by 30 pixels.
  TCustomControl::SetBounds(Left(), Top(), 240, 30);
  buttonWidth_ = (240 - 1) / 9 + 1;
}

TMediaPlayer::~TMediaPlayer() {
  if (deviceId_ != 0) mciSendCommand(deviceId_, MCI_CLOSE, MCI_WAIT, nullptr);
  MciUnregisterWindow(notifyHandle_);
}

// ---------------------------------------------------------------- properties

TButtonSet TMediaPlayer::Flags(bool Button::*flag) const {
  TButtonSet s = 0;
  for (int b = 0; b < 9; ++b)
    if (buttons_[b].*flag) s |= ButtonBit(TMPBtnType(b));
  return s;
}

void TMediaPlayer::SetFlags(bool Button::*flag, TButtonSet value) {
  for (int b = 0; b < 9; ++b)
    buttons_[b].*flag = value & ButtonBit(TMPBtnType(b));
}

TButtonSet TMediaPlayer::ColoredButtons() const {
  return Flags(&Button::Colored);
}

void TMediaPlayer::SetColoredButtons(TButtonSet value) {
  SetFlags(&Button::Colored, value);
  Invalidate();
}

TButtonSet TMediaPlayer::EnabledButtons() const {
  return Flags(&Button::Enabled);
}

void TMediaPlayer::SetEnabledButtons(TButtonSet value) {
  SetFlags(&Button::Enabled, value);
  Invalidate();
}

TButtonSet TMediaPlayer::VisibleButtons() const {
  return Flags(&Button::Visible);
}

void TMediaPlayer::SetVisibleButtons(TButtonSet value) {
  SetFlags(&Button::Visible, value);
  AdjustWidth();
  Invalidate();
}

void TMediaPlayer::SetAutoEnable(bool on) {
  autoEnable_ = on;
  Invalidate();
}

int TMediaPlayer::VisibleCount() const {
  int n = 0;
  for (const auto &b : buttons_)
    n += b.Visible;
  return std::max(1, n);
}

void TMediaPlayer::AdjustWidth() {
  int n = VisibleCount();
  TCustomControl::SetBounds(Left(), Top(), n * (buttonWidth_ - 1) + 1, Height());
}

void TMediaPlayer::SetBounds(int left, int top, int width, int height) {
  // Buttons share their border pixels: n buttons of width w take
  // n * (w - 1) + 1 pixels, and no button is narrower than its widest glyph
  // allows.
  int n = VisibleCount();
  int w = std::max(width, 1);
  buttonWidth_ = (w - 1) / n + 1;
  int minWidth = n * (minButtonSize_.X - 1) + 1;
  if (buttonWidth_ < minButtonSize_.X) buttonWidth_ = minButtonSize_.X;
  int newWidth = std::max(n * (buttonWidth_ - 1) + 1, minWidth);
  int newHeight = std::max(height, minButtonSize_.Y);
  TCustomControl::SetBounds(left, top, newWidth, newHeight);
}

int TMediaPlayer::ButtonLeft(TMPBtnType button) const {
  int x = 0;
  for (int b = 0; b < 9; ++b) {
    if (!buttons_[b].Visible) continue;
    if (b == button) return x;
    x += buttonWidth_ - 1;
  }
  return -1;
}

TRect TMediaPlayer::ButtonRect(TMPBtnType b) const {
  int x = ButtonLeft(b);
  return x < 0 ? TRect{} : Bounds(x, 0, buttonWidth_, Height());
}

void TMediaPlayer::SetDisplay(TWinControl *control) {
  if (control && opened_ && hasVideo_) {
    MCI_ANIM_WINDOW_PARMS p;
    p.dwCallback = notifyHandle_;
    p.hWnd = control->Handle();
    error_ = mciSendCommand(deviceId_, MCI_WINDOW, MCI_ANIM_WINDOW_HWND | MCI_WAIT, &p);
    if (error_ != 0) {
      display_ = nullptr;
      return;
    }
    display_ = control;
    control->FreeNotification(this);
    return;
  }
  display_ = control;
}

void TMediaPlayer::Notification(TComponent *component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == display_) {
    if (opened_ && deviceId_ != 0) {
      MCI_ANIM_WINDOW_PARMS p;
      p.dwCallback = notifyHandle_;
      p.hWnd = 0; // back to the device's own window
      error_ = mciSendCommand(deviceId_, MCI_WINDOW, MCI_ANIM_WINDOW_HWND | MCI_WAIT, &p);
    }
    display_ = nullptr;
  }
}

void TMediaPlayer::Loaded() {
  TCustomControl::Loaded();
  if (autoOpen_ && !(ComponentState() & csDesigning)) Open();
}

// ---------------------------------------------------------------- errors

std::string TMediaPlayer::ErrorMessage() const {
  char buffer[4096];
  if (!mciGetErrorString(error_, buffer, sizeof buffer)) return "Unknown error code";
  return buffer;
}

void TMediaPlayer::RequireOpen() const {
  if (!opened_) throw EMCIDeviceError(kNoDevice);
}

void TMediaPlayer::CheckError(MCIERROR e) const {
  if (e == 0) return;
  char buffer[4096];
  if (!mciGetErrorString(e, buffer, sizeof buffer)) throw EMCIDeviceError("Unknown error code");
  throw EMCIDeviceError(buffer);
}

// ---------------------------------------------------------------- operations

void TMediaPlayer::Open() {
  if (opened_) Close();
  MCI_OPEN_PARMS p;
  p.dwCallback = notifyHandle_;
  std::uint32_t flags = MCI_WAIT;
  if (!fileName_.empty()) {
    flags |= MCI_OPEN_ELEMENT;
    p.lpstrElementName = fileName_.c_str();
  }
  if (deviceType_ != dtAutoSelect) {
    flags |= MCI_OPEN_TYPE;
    p.lpstrDeviceType = kDeviceTypeNames[deviceType_];
  }
  if (shareable_) flags |= MCI_OPEN_SHAREABLE;
  flags_ = flags;
  error_ = mciSendCommand(0, MCI_OPEN, flags, &p);
  CheckError(error_);
  opened_ = true;
  deviceId_ = p.wDeviceID;
  frames_ = Length() / 10;
  ReadCapabilities();
  if (hasVideo_) {
    SetDisplay(display_);
    ReadWhere(MCI_ANIM_WHERE_DESTINATION);
  }
  if (deviceType_ == dtCDAudio || deviceType_ == dtVideodisc) SetTimeFormat(tfTMSF);
  autoSet_ = canStep_ ? Buttons({btNext, btPrev, btStep, btBack}) : Buttons({btNext, btPrev});
  if (canPlay_) autoSet_ |= ButtonBit(btPlay);
  if (canRecord_) autoSet_ |= ButtonBit(btRecord);
  if (canEject_) autoSet_ |= ButtonBit(btEject);
  if (Mode() == mpPlaying) ApplyAutoRule(btPlay);
  RefreshAutoFlags();
}

std::uint32_t TMediaPlayer::DevCaps(std::uint32_t item) {
  MCI_GETDEVCAPS_PARMS p;
  p.dwCallback = notifyHandle_;
  p.dwItem = item;
  flags_ = MCI_GETDEVCAPS_ITEM | MCI_WAIT;
  error_ = mciSendCommand(deviceId_, MCI_GETDEVCAPS, flags_, &p);
  return p.dwReturn;
}

void TMediaPlayer::ReadCapabilities() {
  canPlay_ = DevCaps(MCI_GETDEVCAPS_CAN_PLAY) != 0;
  canRecord_ = DevCaps(MCI_GETDEVCAPS_CAN_RECORD) != 0;
  canEject_ = DevCaps(MCI_GETDEVCAPS_CAN_EJECT) != 0;
  hasVideo_ = DevCaps(MCI_GETDEVCAPS_HAS_VIDEO) != 0;
  std::uint32_t type = DevCaps(MCI_GETDEVCAPS_DEVICE_TYPE);
  canStep_ = type == MCI_DEVTYPE_VCR || type == MCI_DEVTYPE_OVERLAY ||
             type == MCI_DEVTYPE_ANIMATION || type == MCI_DEVTYPE_DIGITAL_VIDEO;
  ReadWhere(MCI_ANIM_WHERE_SOURCE);
}

void TMediaPlayer::ReadWhere(std::uint32_t flags) {
  MCI_ANIM_RECT_PARMS p;
  p.dwCallback = notifyHandle_;
  flags_ = MCI_WAIT | flags;
  error_ = mciSendCommand(deviceId_, MCI_WHERE, flags_, &p);
  // A device without pictures answers with an error; the size stays 0.
  displayWidth_ = p.rc.right - p.rc.left;
  displayHeight_ = p.rc.bottom - p.rc.top;
}

void TMediaPlayer::Close() {
  if (deviceId_ == 0) return;
  MCI_GENERIC_PARMS p;
  p.dwCallback = notifyHandle_;
  flags_ = MCI_WAIT;
  error_ = mciSendCommand(deviceId_, MCI_CLOSE, flags_, &p);
  if (error_ == 0) {
    opened_ = false;
    deviceId_ = 0;
    autoSet_ = 0;
    RefreshAutoFlags();
  }
}

// Play and Record: rewound first at the end under AutoRewind, from the
// pending start position when one was set, with a completion notice.
void TMediaPlayer::StartFromPosition(std::uint32_t command) {
  RequireOpen();
  if (autoRewind_ && !startPending_ && Position() == Length()) Rewind();
  MCI_PLAY_PARMS p; // the record parameters are the same record
  p.dwCallback = notifyHandle_;
  flags_ = MCI_NOTIFY;
  if (startPending_) {
    flags_ |= MCI_FROM;
    p.dwFrom = startPos_;
    startPending_ = false;
  }
  error_ = mciSendCommand(deviceId_, command, flags_, &p);
}

void TMediaPlayer::Play() {
  StartFromPosition(MCI_PLAY);
}

void TMediaPlayer::Record() {
  StartFromPosition(MCI_RECORD);
}

void TMediaPlayer::Stop() {
  RequireOpen();
  MCI_GENERIC_PARMS p;
  p.dwCallback = notifyHandle_;
  flags_ = MCI_WAIT;
  error_ = mciSendCommand(deviceId_, MCI_STOP, flags_, &p);
}

void TMediaPlayer::Pause() {
  RequireOpen();
  TMPModes mode = Mode();
  MCI_GENERIC_PARMS p;
  p.dwCallback = notifyHandle_;
  if (mode == mpPlaying) {
    flags_ = MCI_WAIT;
    error_ = mciSendCommand(deviceId_, MCI_PAUSE, flags_, &p);
  } else if (mode == mpPaused) {
    flags_ = MCI_NOTIFY;
    error_ = mciSendCommand(deviceId_, MCI_RESUME, flags_, &p);
    if (error_ != 0) Play();
  }
}

void TMediaPlayer::Next() {
  RequireOpen();
  MCI_SEEK_PARMS p;
  p.dwCallback = notifyHandle_;
  if (TimeFormat() == tfTMSF) {
    std::uint32_t track = (Position() & 0xFF) + 1;
    std::uint32_t tracks = Tracks();
    if (track > tracks) track = tracks;
    if (Mode() == mpPlaying) {
      SetStartPos(TrackPosition(track));
      Play();
      currentButton_ = btPlay;
      return;
    }
    p.dwTo = TrackPosition(track);
    flags_ = MCI_WAIT | MCI_TO;
  } else {
    flags_ = MCI_WAIT | MCI_SEEK_TO_END;
  }
  error_ = mciSendCommand(deviceId_, MCI_SEEK, flags_, &p);
}

void TMediaPlayer::Previous() {
  RequireOpen();
  MCI_SEEK_PARMS p;
  p.dwCallback = notifyHandle_;
  if (TimeFormat() == tfTMSF) {
    std::uint32_t position = Position();
    std::uint32_t track = position & 0xFF;
    std::uint32_t start = TrackPosition(track);
    // Standing at the very start of a track goes back one more.
    bool atStart = ((position >> 8) & 0xFFFF) == ((start >> 8) & 0xFFFF);
    if (track != 1 && atStart) start = TrackPosition(track - 1);
    if (Mode() == mpPlaying) {
      SetStartPos(start);
      Play();
      currentButton_ = btPlay;
      return;
    }
    p.dwTo = start;
    flags_ = MCI_WAIT | MCI_TO;
  } else {
    flags_ = MCI_WAIT | MCI_SEEK_TO_START;
  }
  error_ = mciSendCommand(deviceId_, MCI_SEEK, flags_, &p);
}

void TMediaPlayer::Step() {
  RequireOpen();
  if (!hasVideo_) return;
  if (autoRewind_ && Position() == Length()) Rewind();
  MCI_ANIM_STEP_PARMS p;
  p.dwCallback = notifyHandle_;
  p.dwFrames = frames_;
  flags_ = MCI_WAIT | MCI_ANIM_STEP_FRAMES;
  error_ = mciSendCommand(deviceId_, MCI_STEP, flags_, &p);
}

void TMediaPlayer::Back() {
  RequireOpen();
  if (!hasVideo_) return;
  MCI_ANIM_STEP_PARMS p;
  p.dwCallback = notifyHandle_;
  p.dwFrames = frames_;
  flags_ = MCI_WAIT | MCI_ANIM_STEP_REVERSE | MCI_ANIM_STEP_FRAMES;
  error_ = mciSendCommand(deviceId_, MCI_STEP, flags_, &p);
}

void TMediaPlayer::Eject() {
  RequireOpen();
  if (!canEject_) return;
  MCI_SET_PARMS p;
  p.dwCallback = notifyHandle_;
  flags_ = MCI_WAIT | MCI_SET_DOOR_OPEN;
  error_ = mciSendCommand(deviceId_, MCI_SET, flags_, &p);
}

MCIERROR TMediaPlayer::Rewind() {
  RequireOpen();
  MCI_SEEK_PARMS p;
  return mciSendCommand(deviceId_, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, &p);
}

std::uint32_t TMediaPlayer::Status(std::uint32_t item, std::uint32_t flags, std::uint32_t track,
                                   bool keepError) {
  MCI_STATUS_PARMS p;
  p.dwCallback = notifyHandle_;
  p.dwItem = item;
  p.dwTrack = track;
  MCIERROR e = mciSendCommand(deviceId_, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT | flags, &p);
  if (keepError) error_ = e;
  return e == 0 ? static_cast<std::uint32_t>(p.dwReturn) : 0;
}

std::uint32_t TMediaPlayer::Length() {
  RequireOpen();
  return Status(MCI_STATUS_LENGTH);
}

std::uint32_t TMediaPlayer::Position() {
  return Status(MCI_STATUS_POSITION);
}

std::uint32_t TMediaPlayer::Tracks() {
  RequireOpen();
  return Status(MCI_STATUS_NUMBER_OF_TRACKS);
}

TMPModes TMediaPlayer::Mode() {
  MCI_STATUS_PARMS p;
  p.dwCallback = notifyHandle_;
  p.dwItem = MCI_STATUS_MODE;
  error_ = mciSendCommand(deviceId_, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &p);
  // No answer (no device) reads as not ready rather than as a wild value.
  if (error_ != 0 || p.dwReturn < MCI_MODE_NOT_READY || p.dwReturn > MCI_MODE_OPEN)
    return mpNotReady;
  return static_cast<TMPModes>(p.dwReturn - MCI_MODE_NOT_READY);
}

TMPTimeFormats TMediaPlayer::TimeFormat() {
  RequireOpen();
  return static_cast<TMPTimeFormats>(Status(MCI_STATUS_TIME_FORMAT));
}

void TMediaPlayer::SetTimeFormat(TMPTimeFormats format) {
  MCI_SET_PARMS p;
  p.dwCallback = notifyHandle_;
  p.dwTimeFormat = static_cast<std::uint32_t>(format);
  flags_ = MCI_NOTIFY | MCI_SET_TIME_FORMAT;
  error_ = mciSendCommand(deviceId_, MCI_SET, flags_, &p);
}

std::uint32_t TMediaPlayer::TrackPosition(std::uint32_t track) {
  return Status(MCI_STATUS_POSITION, MCI_TRACK, track, false);
}

void TMediaPlayer::SetStartPos(std::uint32_t position) {
  startPos_ = position;
  startPending_ = true;
}

void TMediaPlayer::SetDisplayRect(TRect rect) {
  if (!opened_ || !hasVideo_) return;
  if (rect.Right == 0 && rect.Bottom == 0)
    rect = Rect(rect.Left, rect.Top, displayWidth_, displayHeight_);
  MCI_ANIM_RECT_PARMS p;
  p.dwCallback = notifyHandle_;
  p.rc = {rect.Left, rect.Top, rect.Right, rect.Bottom};
  flags_ = MCI_ANIM_RECT | MCI_ANIM_PUT_DESTINATION;
  error_ = mciSendCommand(deviceId_, MCI_PUT, flags_, &p);
}

void TMediaPlayer::ClickButton(TMPBtnType button) {
  bool doDefault = true;
  if (OnClick) OnClick(this, button, doDefault);
  if (!doDefault) return;
  switch (button) {
  case btPlay:
    Play();
    break;
  case btPause:
    Pause();
    break;
  case btStop:
    Stop();
    break;
  case btNext:
    Next();
    break;
  case btPrev:
    Previous();
    break;
  case btStep:
    Step();
    break;
  case btBack:
    Back();
    break;
  case btRecord:
    Record();
    break;
  case btEject:
    Eject();
    break;
  }
  if (OnPostClick) OnPostClick(this, button);
}

// ---------------------------------------------------------------- automatic rules

void TMediaPlayer::ApplyAutoRule(TMPBtnType button) {
  auto add = [&](TMPBtnType b) { autoSet_ |= ButtonBit(b); };
  auto remove = [&](TMPBtnType b) { autoSet_ &= static_cast<TButtonSet>(~ButtonBit(b)); };
  switch (button) {
  case btPlay:
  case btRecord:
    remove(btPlay);
    remove(btRecord);
    add(btPause);
    add(btStop);
    break;
  case btPause:
    if (canPlay_) add(btPlay);
    if (canRecord_) add(btRecord);
    break;
  default:
    if (canPlay_) add(btPlay);
    if (canRecord_) add(btRecord);
    remove(btPause);
    remove(btStop);
    break;
  }
}

void TMediaPlayer::RefreshAutoFlags() {
  SetFlags(&Button::Auto, autoSet_);
  Invalidate();
}

void TMediaPlayer::MMNotify(std::uint16_t code) {
  if (autoEnable_ && Mode() == mpStopped) {
    if (canPlay_) autoSet_ |= ButtonBit(btPlay);
    if (canRecord_) autoSet_ |= ButtonBit(btRecord);
    autoSet_ &= static_cast<TButtonSet>(~(ButtonBit(btPause) | ButtonBit(btStop)));
    RefreshAutoFlags();
  }
  switch (code) {
  case MCI_NOTIFY_SUCCESSFUL:
    notifyValue_ = nvSuccessful;
    break;
  case MCI_NOTIFY_SUPERSEDED:
    notifyValue_ = nvSuperseded;
    break;
  case MCI_NOTIFY_ABORTED:
    notifyValue_ = nvAborted;
    break;
  case MCI_NOTIFY_FAILURE:
    notifyValue_ = nvFailure;
    break;
  }
  if (OnNotify) OnNotify(this);
}

// ---------------------------------------------------------------- painting

bool TMediaPlayer::ButtonActive(TMPBtnType b) const {
  return autoEnable_ ? buttons_[b].Auto : buttons_[b].Enabled;
}

void TMediaPlayer::DrawButton(TMPBtnType b, bool pressed) {
  TCanvas &c = *Canvas();
  TRect r = ButtonRect(b);
  const bool designing = ComponentState() & csDesigning;
  int look = glEnabled;
  if (!Enabled() && !designing) {
    look = glDisabled;
  } else {
    bool on = autoEnable_ && !designing ? buttons_[b].Auto : buttons_[b].Enabled;
    look = on ? (buttons_[b].Colored ? glColored : glEnabled) : glDisabled;
  }
  // Face with a window-frame border and a one-pixel bevel.
  c.Pen().SetColor(clWindowFrame);
  c.Brush().SetColor(clBtnFace);
  c.Brush().SetStyle(bsSolid);
  c.Rectangle(r);
  TRect in = InflateRect(r, -1, -1);
  if (pressed) {
    c.Pen().SetColor(clBtnShadow);
    c.MoveTo(in.Left, in.Bottom - 1);
    c.LineTo(in.Left, in.Top);
    c.LineTo(in.Right, in.Top);
  } else {
    c.Pen().SetColor(clBtnHighlight);
    c.MoveTo(in.Left, in.Bottom - 1);
    c.LineTo(in.Left, in.Top);
    c.LineTo(in.Right, in.Top);
    c.Pen().SetColor(clBtnShadow);
    c.MoveTo(in.Right - 1, in.Top);
    c.LineTo(in.Right - 1, in.Bottom - 1);
    c.LineTo(in.Left - 1, in.Bottom - 1);
  }
  const TBitmap &glyph = buttons_[b].Glyphs[look];
  int shift = pressed ? 1 : 0;
  int gx = r.Left + buttonWidth_ / 2 - glyph.Width() / 2 + shift;
  int gy = r.Top + Height() / 2 - glyph.Height() / 2 + shift;
  c.Draw(gx, gy, glyph);
  if (Focused() && b == focusedButton_) {
    TRect f = InflateRect(r, -3, -3);
    f = Rect(f.Left + shift, f.Top + shift, f.Right + shift, f.Bottom + shift);
    c.DrawFocusRect(f);
  }
}

void TMediaPlayer::Paint() {
  TCanvas &c = *Canvas();
  c.Pen().SetColor(clWindowFrame);
  c.Brush().SetStyle(bsClear);
  c.Rectangle(ClientRect());
  for (int b = 0; b < 9; ++b) {
    if (!buttons_[b].Visible) continue;
    DrawButton(TMPBtnType(b), pressed_ && down_ && currentButton_ == b);
  }
}

// ---------------------------------------------------------------- mouse and keys

void TMediaPlayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  int left = 0;
  for (int b = 0; b < 9; ++b) {
    if (!buttons_[b].Visible) continue;
    if (x >= left && x < left + buttonWidth_) {
      auto kind = TMPBtnType(b);
      if (!ButtonActive(kind)) return;
      currentButton_ = kind;
      if (focusedButton_ != kind) focusedButton_ = kind;
      currentRect_ = ButtonRect(kind);
      pressed_ = true;
      down_ = true;
      Invalidate();
      SetMouseCapture(true);
      return;
    }
    left += buttonWidth_ - 1;
  }
}

void TMediaPlayer::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (!pressed_) return;
  bool inside = currentRect_.Contains(Point(x, y));
  if (inside != down_) {
    down_ = inside;
    Invalidate();
  }
}

void TMediaPlayer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (!pressed_) return;
  SetMouseCapture(false);
  bool wasDown = down_;
  pressed_ = false;
  down_ = false;
  if (wasDown) {
    Invalidate();
    ClickButton(currentButton_);
    if (autoEnable_ && error_ == 0 && opened_) {
      ApplyAutoRule(currentButton_);
      RefreshAutoFlags();
    }
  }
}

void TMediaPlayer::KeyDown(Word &key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_LEFT || key == VK_RIGHT) {
    int step = key == VK_LEFT ? -1 : 1;
    for (int b = focusedButton_ + step; b >= 0 && b < 9; b += step) {
      if (buttons_[b].Visible) {
        focusedButton_ = TMPBtnType(b);
        Invalidate();
        break;
      }
    }
  } else if (key == VK_SPACE) {
    if (buttons_[focusedButton_].Enabled) {
      ClickButton(focusedButton_);
      if (autoEnable_) {
        ApplyAutoRule(focusedButton_);
        RefreshAutoFlags();
      }
    }
  }
}
