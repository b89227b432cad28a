// The media control interface: one entry point that sends a numbered command
// with flags and a parameter record to a device, an error-text lookup, and
// completion notices posted back to a window.
//
// Devices are chosen by type ("waveaudio") or by the extension of the file
// to open, looked up in the profile section "mci extensions". The only device
// is "waveaudio": it decodes a sound file with libsndfile and plays it through
// the machine's audio output, or through a silent output that keeps real time
// when there is none, so that positions, modes and notices are the same.
//
// Every call is made from the thread that owns the callback windows; notices
// are posted as MciNotifyEvent to the QObject registered for the window handle
// given in a record's callback field (see mci_notify.h).
#pragma once

#include <cstddef>
#include <cstdint>

using MCIDEVICEID = std::uint16_t;
using MCIERROR = std::uint32_t;
// Window handle values as issued by MciRegisterWindow (0 = none).
using MCIHWND = std::uintptr_t;

// Commands.
inline constexpr std::uint32_t MCI_OPEN = 0x0803;
inline constexpr std::uint32_t MCI_CLOSE = 0x0804;
inline constexpr std::uint32_t MCI_PLAY = 0x0806;
inline constexpr std::uint32_t MCI_SEEK = 0x0807;
inline constexpr std::uint32_t MCI_STOP = 0x0808;
inline constexpr std::uint32_t MCI_PAUSE = 0x0809;
inline constexpr std::uint32_t MCI_GETDEVCAPS = 0x080B;
inline constexpr std::uint32_t MCI_SET = 0x080D;
inline constexpr std::uint32_t MCI_STEP = 0x080E;
inline constexpr std::uint32_t MCI_RECORD = 0x080F;
inline constexpr std::uint32_t MCI_STATUS = 0x0814;
inline constexpr std::uint32_t MCI_WINDOW = 0x0841;
inline constexpr std::uint32_t MCI_PUT = 0x0842;
inline constexpr std::uint32_t MCI_WHERE = 0x0843;
inline constexpr std::uint32_t MCI_RESUME = 0x0855;

// The message number of a completion notice (wParam = notice code, lParam =
// device identifier); MciNotifyEvent carries the same two values.
inline constexpr std::uint32_t MM_MCINOTIFY = 0x03B9;

// Flags common to all commands.
inline constexpr std::uint32_t MCI_NOTIFY = 0x00000001;
inline constexpr std::uint32_t MCI_WAIT = 0x00000002;
inline constexpr std::uint32_t MCI_FROM = 0x00000004;
inline constexpr std::uint32_t MCI_TO = 0x00000008;
inline constexpr std::uint32_t MCI_TRACK = 0x00000010;

// MCI_OPEN flags.
inline constexpr std::uint32_t MCI_OPEN_SHAREABLE = 0x00000100;
inline constexpr std::uint32_t MCI_OPEN_ELEMENT = 0x00000200;
inline constexpr std::uint32_t MCI_OPEN_ALIAS = 0x00000400;
inline constexpr std::uint32_t MCI_OPEN_ELEMENT_ID = 0x00000800;
inline constexpr std::uint32_t MCI_OPEN_TYPE_ID = 0x00001000;
inline constexpr std::uint32_t MCI_OPEN_TYPE = 0x00002000;

// MCI_SEEK flags.
inline constexpr std::uint32_t MCI_SEEK_TO_START = 0x00000100;
inline constexpr std::uint32_t MCI_SEEK_TO_END = 0x00000200;

// MCI_STATUS flags and items.
inline constexpr std::uint32_t MCI_STATUS_ITEM = 0x00000100;
inline constexpr std::uint32_t MCI_STATUS_START = 0x00000200;
inline constexpr std::uint32_t MCI_STATUS_LENGTH = 1;
inline constexpr std::uint32_t MCI_STATUS_POSITION = 2;
inline constexpr std::uint32_t MCI_STATUS_NUMBER_OF_TRACKS = 3;
inline constexpr std::uint32_t MCI_STATUS_MODE = 4;
inline constexpr std::uint32_t MCI_STATUS_MEDIA_PRESENT = 5;
inline constexpr std::uint32_t MCI_STATUS_TIME_FORMAT = 6;
inline constexpr std::uint32_t MCI_STATUS_READY = 7;
inline constexpr std::uint32_t MCI_STATUS_CURRENT_TRACK = 8;

// Modes returned by MCI_STATUS_MODE.
inline constexpr std::uint32_t MCI_MODE_NOT_READY = 524;
inline constexpr std::uint32_t MCI_MODE_STOP = 525;
inline constexpr std::uint32_t MCI_MODE_PLAY = 526;
inline constexpr std::uint32_t MCI_MODE_RECORD = 527;
inline constexpr std::uint32_t MCI_MODE_SEEK = 528;
inline constexpr std::uint32_t MCI_MODE_PAUSE = 529;
inline constexpr std::uint32_t MCI_MODE_OPEN = 530;

// MCI_GETDEVCAPS flags and items.
inline constexpr std::uint32_t MCI_GETDEVCAPS_ITEM = 0x00000100;
inline constexpr std::uint32_t MCI_GETDEVCAPS_CAN_RECORD = 1;
inline constexpr std::uint32_t MCI_GETDEVCAPS_HAS_AUDIO = 2;
inline constexpr std::uint32_t MCI_GETDEVCAPS_HAS_VIDEO = 3;
inline constexpr std::uint32_t MCI_GETDEVCAPS_DEVICE_TYPE = 4;
inline constexpr std::uint32_t MCI_GETDEVCAPS_USES_FILES = 5;
inline constexpr std::uint32_t MCI_GETDEVCAPS_COMPOUND_DEVICE = 6;
inline constexpr std::uint32_t MCI_GETDEVCAPS_CAN_EJECT = 7;
inline constexpr std::uint32_t MCI_GETDEVCAPS_CAN_PLAY = 8;
inline constexpr std::uint32_t MCI_GETDEVCAPS_CAN_SAVE = 9;

// Device types returned by MCI_GETDEVCAPS_DEVICE_TYPE.
inline constexpr std::uint32_t MCI_DEVTYPE_VCR = 513;
inline constexpr std::uint32_t MCI_DEVTYPE_VIDEODISC = 514;
inline constexpr std::uint32_t MCI_DEVTYPE_OVERLAY = 515;
inline constexpr std::uint32_t MCI_DEVTYPE_CD_AUDIO = 516;
inline constexpr std::uint32_t MCI_DEVTYPE_DAT = 517;
inline constexpr std::uint32_t MCI_DEVTYPE_SCANNER = 518;
inline constexpr std::uint32_t MCI_DEVTYPE_ANIMATION = 519;
inline constexpr std::uint32_t MCI_DEVTYPE_DIGITAL_VIDEO = 520;
inline constexpr std::uint32_t MCI_DEVTYPE_OTHER = 521;
inline constexpr std::uint32_t MCI_DEVTYPE_WAVEFORM_AUDIO = 522;
inline constexpr std::uint32_t MCI_DEVTYPE_SEQUENCER = 523;

// MCI_SET flags.
inline constexpr std::uint32_t MCI_SET_DOOR_OPEN = 0x00000100;
inline constexpr std::uint32_t MCI_SET_DOOR_CLOSED = 0x00000200;
inline constexpr std::uint32_t MCI_SET_TIME_FORMAT = 0x00000400;
inline constexpr std::uint32_t MCI_SET_AUDIO = 0x00000800;

// Time formats.
inline constexpr std::uint32_t MCI_FORMAT_MILLISECONDS = 0;
inline constexpr std::uint32_t MCI_FORMAT_HMS = 1;
inline constexpr std::uint32_t MCI_FORMAT_MSF = 2;
inline constexpr std::uint32_t MCI_FORMAT_FRAMES = 3;
inline constexpr std::uint32_t MCI_FORMAT_SMPTE_24 = 4;
inline constexpr std::uint32_t MCI_FORMAT_SMPTE_25 = 5;
inline constexpr std::uint32_t MCI_FORMAT_SMPTE_30 = 6;
inline constexpr std::uint32_t MCI_FORMAT_SMPTE_30DROP = 7;
inline constexpr std::uint32_t MCI_FORMAT_BYTES = 8;
inline constexpr std::uint32_t MCI_FORMAT_SAMPLES = 9;
inline constexpr std::uint32_t MCI_FORMAT_TMSF = 10;

// Flags of the video commands (step, where, window, put).
inline constexpr std::uint32_t MCI_ANIM_STEP_REVERSE = 0x00010000;
inline constexpr std::uint32_t MCI_ANIM_STEP_FRAMES = 0x00020000;
inline constexpr std::uint32_t MCI_ANIM_WHERE_SOURCE = 0x00020000;
inline constexpr std::uint32_t MCI_ANIM_WHERE_DESTINATION = 0x00040000;
inline constexpr std::uint32_t MCI_ANIM_WINDOW_HWND = 0x00010000;
inline constexpr std::uint32_t MCI_ANIM_RECT = 0x00010000;
inline constexpr std::uint32_t MCI_ANIM_PUT_SOURCE = 0x00020000;
inline constexpr std::uint32_t MCI_ANIM_PUT_DESTINATION = 0x00040000;

// Notice codes.
inline constexpr std::uint16_t MCI_NOTIFY_SUCCESSFUL = 0x0001;
inline constexpr std::uint16_t MCI_NOTIFY_SUPERSEDED = 0x0002;
inline constexpr std::uint16_t MCI_NOTIFY_ABORTED = 0x0004;
inline constexpr std::uint16_t MCI_NOTIFY_FAILURE = 0x0008;

// A device identifier that addresses every open device (MCI_CLOSE only).
inline constexpr MCIDEVICEID MCI_ALL_DEVICE_ID = 0xFFFF;

// Error codes.
inline constexpr MCIERROR MCIERR_BASE = 256;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
inline constexpr MCIERROR MCIERR_HARDWARE = MCIERR_BASE + 6;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
inline constexpr MCIERROR MCIERR_OUT_OF_MEMORY = MCIERR_BASE + 8;
inline constexpr MCIERROR MCIERR_DEVICE_OPEN = MCIERR_BASE + 9;
inline constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
inline constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
inline constexpr MCIERROR MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
inline constexpr MCIERROR MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
inline constexpr MCIERROR MCIERR_INTERNAL = MCIERR_BASE + 21;
inline constexpr MCIERROR MCIERR_EXTENSION_NOT_FOUND = MCIERR_BASE + 25;
inline constexpr MCIERROR MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
inline constexpr MCIERROR MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
inline constexpr MCIERROR MCIERR_DEVICE_TYPE_REQUIRED = MCIERR_BASE + 31;
inline constexpr MCIERROR MCIERR_BAD_TIME_FORMAT = MCIERR_BASE + 37;
inline constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 40;
inline constexpr MCIERROR MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;
inline constexpr MCIERROR MCIERR_NONAPPLICABLE_FUNCTION = MCIERR_BASE + 46;
inline constexpr MCIERROR MCIERR_DEVICE_NOT_INSTALLED = MCIERR_BASE + 50;
inline constexpr MCIERROR MCIERR_WAVE_OUTPUTSUNSUITABLE = MCIERR_BASE + 66;

// Parameter records. Every record starts with the callback window handle.
struct MCI_GENERIC_PARMS {
  MCIHWND dwCallback = 0;
};

struct MCI_OPEN_PARMS {
  MCIHWND dwCallback = 0;
  MCIDEVICEID wDeviceID = 0;              // returned
  const char *lpstrDeviceType = nullptr;  // with MCI_OPEN_TYPE
  const char *lpstrElementName = nullptr; // with MCI_OPEN_ELEMENT (UTF-8 path)
  const char *lpstrAlias = nullptr;
};

struct MCI_PLAY_PARMS {
  MCIHWND dwCallback = 0;
  std::uint32_t dwFrom = 0;
  std::uint32_t dwTo = 0;
};

using MCI_RECORD_PARMS = MCI_PLAY_PARMS;

struct MCI_SEEK_PARMS {
  MCIHWND dwCallback = 0;
  std::uint32_t dwTo = 0;
};

struct MCI_STATUS_PARMS {
  MCIHWND dwCallback = 0;
  std::uintptr_t dwReturn = 0;
  std::uint32_t dwItem = 0;
  std::uint32_t dwTrack = 0;
};

struct MCI_GETDEVCAPS_PARMS {
  MCIHWND dwCallback = 0;
  std::uint32_t dwReturn = 0;
  std::uint32_t dwItem = 0;
};

struct MCI_SET_PARMS {
  MCIHWND dwCallback = 0;
  std::uint32_t dwTimeFormat = 0;
  std::uint32_t dwAudio = 0;
};

struct MCI_ANIM_STEP_PARMS {
  MCIHWND dwCallback = 0;
  std::uint32_t dwFrames = 0;
};

struct MCI_RECT {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct MCI_ANIM_RECT_PARMS {
  MCIHWND dwCallback = 0;
  MCI_RECT rc;
};

struct MCI_ANIM_WINDOW_PARMS {
  MCIHWND dwCallback = 0;
  MCIHWND hWnd = 0;
  std::uint32_t nCmdShow = 0;
  const char *lpstrText = nullptr;
};

// Sends a command to a device. `params` points to the record of that command
// (or is null where the command needs none). Returns 0 or an error code.
MCIERROR mciSendCommand(MCIDEVICEID device, std::uint32_t command, std::uint32_t flags,
                        void *params);

// Copies the text of an error code into `buffer` (always terminated, cut to
// `length` bytes without splitting a character). False for an unknown code
// or an unusable buffer.
bool mciGetErrorString(MCIERROR error, char *buffer, std::uint32_t length);

// How sound reaches the speakers. Automatic uses the machine's default audio
// output when there is one and the silent output otherwise; Silent always
// uses the silent, clock-driven output. The environment variable
// BSFX_AUDIO_OUTPUT=silent selects Silent at start.
enum class MciAudioOutput { Automatic, Silent };
void MciSetAudioOutput(MciAudioOutput mode);
MciAudioOutput MciGetAudioOutput();

// Number of devices currently open (for tests and shutdown checks).
std::size_t MciOpenDeviceCount();
