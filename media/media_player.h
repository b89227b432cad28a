// The media player control: a row of up to nine push buttons driving one
// device of the media control interface, with automatic button rules that
// follow the device's state, and completion notices reported through OnNotify.
#pragma once

#include "base/exception.h"
#include "platform/mci/mci.h"
#include "ui/controls.h"
#include "ui/graphics.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QObject;

// Failures of the media control interface.
class EMCIDeviceError : public Exception {
public:
  using Exception::Exception;
};

enum TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };

// A set of button kinds: bit n stands for kind n.
using TButtonSet = std::uint16_t;
inline constexpr TButtonSet kAllButtons = 511;
constexpr TButtonSet ButtonBit(TMPBtnType b) {
  return static_cast<TButtonSet>(1u << b);
}
constexpr TButtonSet Buttons(std::initializer_list<TMPBtnType> kinds) {
  TButtonSet s = 0;
  for (auto k : kinds)
    s = static_cast<TButtonSet>(s | ButtonBit(k));
  return s;
}

enum TMPDeviceTypes {
  dtAutoSelect,
  dtAVIVideo,
  dtCDAudio,
  dtDAT,
  dtDigitalVideo,
  dtMMMovie,
  dtOther,
  dtOverlay,
  dtScanner,
  dtSequencer,
  dtVCR,
  dtVideodisc,
  dtWaveAudio
};

enum TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };

enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

enum TMPTimeFormats {
  tfMilliseconds,
  tfHMS,
  tfMSF,
  tfFrames,
  tfSMPTE24,
  tfSMPTE25,
  tfSMPTE30,
  tfSMPTE30Drop,
  tfBytes,
  tfSamples,
  tfTMSF
};

using EMPNotify = std::function<void(TObject *sender, TMPBtnType button, bool &doDefault)>;
using EMPPostNotify = std::function<void(TObject *sender, TMPBtnType button)>;

class TMediaPlayer : public TCustomControl {
public:
  explicit TMediaPlayer(TComponent *owner);
  ~TMediaPlayer() override;

  // Button sets.
  TButtonSet ColoredButtons() const;
  void SetColoredButtons(TButtonSet value);
  TButtonSet EnabledButtons() const;
  void SetEnabledButtons(TButtonSet value);
  TButtonSet VisibleButtons() const;
  void SetVisibleButtons(TButtonSet value);
  // The buttons the automatic rules enable now.
  TButtonSet AutoButtons() const { return autoSet_; }

  bool AutoEnable() const { return autoEnable_; }
  void SetAutoEnable(bool on);
  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool on) { autoOpen_ = on; }
  bool AutoRewind() const { return autoRewind_; }
  void SetAutoRewind(bool on) { autoRewind_ = on; }
  TMPDeviceTypes DeviceType() const { return deviceType_; }
  void SetDeviceType(TMPDeviceTypes type) { deviceType_ = type; }
  TWinControl *Display() const { return display_; }
  void SetDisplay(TWinControl *control);
  const std::string &FileName() const { return fileName_; }
  void SetFileName(const std::string &name) { fileName_ = name; }
  bool Shareable() const { return shareable_; }
  void SetShareable(bool on) { shareable_ = on; }

  EMPNotify OnClick;
  EMPPostNotify OnPostClick;
  TNotifyEvent OnNotify;

  // Operations.
  void Open();
  void Close();
  void Play();
  void Record();
  void Stop();
  void Pause();
  void Next();
  void Previous();
  void Step();
  void Back();
  void Eject();
  // Seeks to the start; returns the interface's result (not kept as Error).
  MCIERROR Rewind();
  // Clicks a button: OnClick, the button's operation, OnPostClick.
  void ClickButton(TMPBtnType button);

  // Status.
  std::uint32_t Length();
  std::uint32_t Position();
  std::uint32_t Tracks();
  TMPModes Mode();
  TMPTimeFormats TimeFormat();
  void SetTimeFormat(TMPTimeFormats format);
  std::uint32_t TrackPosition(std::uint32_t track);
  // Marks a start position for the next Play or Record.
  void SetStartPos(std::uint32_t position);
  // The display rectangle of a video device (left, top, right, bottom).
  void SetDisplayRect(TRect rect);

  MCIDEVICEID DeviceID() const { return deviceId_; }
  MCIERROR Error() const { return error_; }
  std::string ErrorMessage() const;
  TMPNotifyValues NotifyValue() const { return notifyValue_; }
  bool Opened() const { return opened_; }
  bool CanPlay() const { return canPlay_; }
  bool CanRecord() const { return canRecord_; }
  bool CanEject() const { return canEject_; }
  bool CanStep() const { return canStep_; }
  bool HasVideo() const { return hasVideo_; }
  int ButtonWidth() const { return buttonWidth_; }
  TPoint MinButtonSize() const { return minButtonSize_; }
  // The button with the keyboard focus mark.
  TMPBtnType FocusedButton() const { return focusedButton_; }
  // The callback handle that receives this player's completion notices.
  MCIHWND NotifyHandle() const { return notifyHandle_; }
  // Left edge of a visible button, or -1.
  int ButtonLeft(TMPBtnType button) const;

  void SetBounds(int left, int top, int width, int height) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(Word &key, TShiftState shift) override;
  void DblClick() override {}
  bool ConsumesMouse() const override { return true; }
  bool WantArrows() const override { return true; }
  void Loaded() override;
  void Notification(TComponent *component, TOperation operation) override;

private:
  struct Button {
    bool Visible = true, Enabled = true, Colored = true, Auto = false;
    std::array<TBitmap, 3> Glyphs;
  };
  class NotifyReceiver;
  friend class NotifyReceiver;

  // The buttons whose `flag` is set, as a set; and setting it from a set.
  TButtonSet Flags(bool Button::*flag) const;
  void SetFlags(bool Button::*flag, TButtonSet value);
  void RequireOpen() const;
  void StartFromPosition(std::uint32_t command); // Play and Record
  void CheckError(MCIERROR e) const;             // raises EMCIDeviceError unless 0
  std::uint32_t Status(std::uint32_t item, std::uint32_t flags = 0, std::uint32_t track = 0,
                       bool keepError = true);
  std::uint32_t DevCaps(std::uint32_t item);
  void ReadCapabilities();
  void ReadWhere(std::uint32_t flags);
  void ApplyAutoRule(TMPBtnType button);
  void RefreshAutoFlags();
  void MMNotify(std::uint16_t code);
  bool ButtonActive(TMPBtnType b) const;
  int VisibleCount() const;
  TRect ButtonRect(TMPBtnType b) const;
  void DrawButton(TMPBtnType b, bool pressed);
  void AdjustWidth(); // after a change of VisibleButtons

  std::array<Button, 9> buttons_;
  TButtonSet autoSet_ = 0;
  bool pressed_ = false, down_ = false;
  TMPBtnType currentButton_ = btPlay;
  TRect currentRect_{};
  int buttonWidth_ = 0;
  TPoint minButtonSize_{};
  TMPBtnType focusedButton_ = btPlay;
  bool canPlay_ = false, canStep_ = false, canEject_ = false, canRecord_ = false, hasVideo_ = false;
  std::uint32_t flags_ = 0;
  bool startPending_ = false;
  MCIDEVICEID deviceId_ = 0;
  TMPDeviceTypes deviceType_ = dtAutoSelect;
  std::uint32_t startPos_ = 0;
  std::uint32_t frames_ = 0;
  MCIERROR error_ = 0;
  TMPNotifyValues notifyValue_ = nvSuccessful;
  TWinControl *display_ = nullptr;
  int displayWidth_ = 0, displayHeight_ = 0;
  std::string fileName_;
  bool autoEnable_ = true, autoOpen_ = false, autoRewind_ = true, shareable_ = false;
  bool opened_ = false;
  std::unique_ptr<NotifyReceiver> receiver_;
  MCIHWND notifyHandle_ = 0;
};

// The same control under the name the multimedia viewer expects.
class TPDBMediaPlayer : public TMediaPlayer {
public:
  using TMediaPlayer::TMediaPlayer;
};
