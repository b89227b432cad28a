#include "platform/mci/mci.h"

#include "platform/mci/mci_notify.h"
#include "platform/mci/wave_device.h"
#include "platform/profile/profile.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

// The open devices. Commands run on the thread that owns the callback
// windows; the table is only ever touched from there.
struct DeviceTable {
  std::map<MCIDEVICEID, std::unique_ptr<WaveDevice>> devices;
  MCIDEVICEID next = 1;

  MCIDEVICEID Allocate() {
    // Identifiers count up and wrap, so a late notice from a closed device
    // does not name the next one at once.
    for (int tries = 0; tries < 0xFFFE; ++tries) {
      MCIDEVICEID id = next;
      next = next >= 0xFFFE ? 1 : next + 1;
      if (!devices.count(id)) return id;
    }
    return 0;
  }
};

DeviceTable &Table() {
  static DeviceTable table;
  return table;
}

std::atomic<int> &OutputMode() {
  static std::atomic<int> mode = [] {
    const char *env = std::getenv("BSFX_AUDIO_OUTPUT");
    return static_cast<int>(env && std::strcmp(env, "silent") == 0 ? MciAudioOutput::Silent
                                                                   : MciAudioOutput::Automatic);
  }();
  return mode;
}

std::string Lower(std::string s) {
  for (char &c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

// The device types this interface knows by name; only "waveaudio" is
// installed.
MCIERROR CheckDeviceName(const std::string &name) {
  static const char *const kKnown[] = {"avivideo",  "cdaudio", "dat",       "digitalvideo",
                                       "mmmovie",   "other",   "overlay",   "scanner",
                                       "sequencer", "vcr",     "videodisc", "mpegvideo"};
  std::string n = Lower(name);
  if (n == "waveaudio") return 0;
  for (const char *k : kKnown)
    if (n == k) return MCIERR_DEVICE_NOT_INSTALLED;
  return MCIERR_INVALID_DEVICE_NAME;
}

MCIERROR Open(std::uint32_t flags, MCI_OPEN_PARMS *p) {
  if (!p) return MCIERR_NULL_PARAMETER_BLOCK;
  if (flags & (MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT_ID)) return MCIERR_UNSUPPORTED_FUNCTION;
  const bool hasElement = flags & MCI_OPEN_ELEMENT;
  if (hasElement && (!p->lpstrElementName || !*p->lpstrElementName))
    return MCIERR_MISSING_PARAMETER;
  if (flags & MCI_OPEN_TYPE) {
    if (!p->lpstrDeviceType || !*p->lpstrDeviceType) return MCIERR_MISSING_PARAMETER;
    if (MCIERROR e = CheckDeviceName(p->lpstrDeviceType)) return e;
  } else if (hasElement) {
    // The device comes from the file's extension, through the profile.
    std::string path = p->lpstrElementName;
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
      return MCIERR_EXTENSION_NOT_FOUND;
    std::string device = GetProfileString("mci extensions", path.substr(dot + 1), "none");
    if (Lower(device) == "none") return MCIERR_EXTENSION_NOT_FOUND;
    if (MCIERROR e = CheckDeviceName(device)) return e;
  } else {
    return MCIERR_MISSING_PARAMETER;
  }
  // Devices keep time with Qt timers and post notices through Qt's queue.
  if (!QCoreApplication::instance()) return MCIERR_DEVICE_NOT_READY;

  WaveSound sound;
  std::unique_ptr<WaveFileSamples> later;
  if (hasElement) {
    if (MCIERROR e = OpenWaveFile(p->lpstrElementName, sound, later)) return e;
  } else {
    sound.rate = 22050; // an empty device: nothing to play
    sound.channels = 1;
  }
  auto &table = Table();
  MCIDEVICEID id = table.Allocate();
  if (id == 0) return MCIERR_OUT_OF_MEMORY;
  table.devices.emplace(id, std::make_unique<WaveDevice>(id, std::move(sound), std::move(later)));
  p->wDeviceID = id;
  if (flags & MCI_NOTIFY) MciPostNotify(p->dwCallback, MCI_NOTIFY_SUCCESSFUL, id);
  return 0;
}

MCIERROR Close(MCIDEVICEID device, std::uint32_t flags, void *params) {
  auto &table = Table();
  MCIHWND callback = params ? static_cast<MCI_GENERIC_PARMS *>(params)->dwCallback : 0;
  if (device == MCI_ALL_DEVICE_ID) {
    auto devices = std::move(table.devices);
    table.devices.clear();
    devices.clear(); // each aborts its pending notice
  } else {
    auto it = table.devices.find(device);
    if (it == table.devices.end()) return MCIERR_INVALID_DEVICE_ID;
    std::unique_ptr<WaveDevice> gone = std::move(it->second);
    table.devices.erase(it);
  }
  if (flags & MCI_NOTIFY) MciPostNotify(callback, MCI_NOTIFY_SUCCESSFUL, device);
  return 0;
}

struct ErrorText {
  MCIERROR code;
  const char *text;
};

constexpr ErrorText kErrorTexts[] = {
    {0, "The specified command was carried out."},
    {MCIERR_INVALID_DEVICE_ID,
     "Invalid device ID. Use the ID given to the device when it was opened."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The specified command is not recognized by the device."},
    {MCIERR_HARDWARE, "The audio output failed. Check that a sound device is present and "
                      "working, then try again."},
    {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized."},
    {MCIERR_OUT_OF_MEMORY, "There is not enough memory available for this task."},
    {MCIERR_DEVICE_OPEN, "The device name is already in use."},
    {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter. Please supply one."},
    {MCIERR_UNSUPPORTED_FUNCTION, "The device cannot carry out the specified command."},
    {MCIERR_FILE_NOT_FOUND,
     "Cannot find the specified file. Make sure the path and filename are correct."},
    {MCIERR_DEVICE_NOT_READY, "The device is not ready."},
    {MCIERR_INTERNAL, "A problem occurred in initializing the media control interface."},
    {MCIERR_EXTENSION_NOT_FOUND,
     "Cannot determine the device type from the given filename extension."},
    {MCIERR_OUTOFRANGE, "The specified parameter is out of range for the specified command."},
    {MCIERR_FLAGS_NOT_COMPATIBLE, "The specified parameters cannot be used together."},
    {MCIERR_DEVICE_TYPE_REQUIRED,
     "The specified device cannot be found. Check that it is installed and named correctly."},
    {MCIERR_BAD_TIME_FORMAT, "The specified time format is invalid for this device."},
    {MCIERR_INVALID_FILE, "The specified file cannot be played on the specified device. The "
                          "file may be corrupt, or not in the correct format."},
    {MCIERR_NULL_PARAMETER_BLOCK, "A null parameter block was passed."},
    {MCIERR_NONAPPLICABLE_FUNCTION,
     "The specified command cannot be carried out in the device's present mode."},
    {MCIERR_DEVICE_NOT_INSTALLED, "The specified device is not installed on the system."},
    {MCIERR_WAVE_OUTPUTSUNSUITABLE, "No audio output can play files in the present format."},
};

} // namespace

MCIERROR mciSendCommand(MCIDEVICEID device, std::uint32_t command, std::uint32_t flags,
                        void *params) {
  if ((flags & MCI_NOTIFY) && !params) return MCIERR_NULL_PARAMETER_BLOCK;
  if (command == MCI_OPEN) return Open(flags, static_cast<MCI_OPEN_PARMS *>(params));
  if (command == MCI_CLOSE) return Close(device, flags, params);
  auto &table = Table();
  auto it = table.devices.find(device);
  if (it == table.devices.end()) return MCIERR_INVALID_DEVICE_ID;
  // The device may be closed from an event handler while a waiting play runs
  // a nested loop, so nothing here touches it after the command returns.
  return it->second->Command(command, flags, params);
}

bool mciGetErrorString(MCIERROR error, char *buffer, std::uint32_t length) {
  if (!buffer || length == 0) return false;
  for (const auto &e : kErrorTexts) {
    if (e.code != error) continue;
    std::size_t n = std::min<std::size_t>(std::strlen(e.text), length - 1);
    std::memcpy(buffer, e.text, n); // the texts are ASCII: any cut is whole
    buffer[n] = '\0';
    return true;
  }
  buffer[0] = '\0';
  return false;
}

void MciSetAudioOutput(MciAudioOutput mode) {
  OutputMode() = static_cast<int>(mode);
}

MciAudioOutput MciGetAudioOutput() {
  return static_cast<MciAudioOutput>(OutputMode().load());
}

std::size_t MciOpenDeviceCount() {
  return Table().devices.size();
}
