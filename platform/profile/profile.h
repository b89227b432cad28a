// The user's profile: named sections of key=value entries.
//
// Built-in entries come first; the INI file ProfileFilePath() may add
// entries, change them, or remove them with an empty value. The only
// built-in section is "mci extensions", which maps the extension of a media
// file to the device that plays it: WAV=waveaudio, and nothing else.
//
// Section and key names are matched ignoring ASCII case. The file is read
// at every lookup, so a change takes effect without a restart.
#pragma once

#include <cstdint>
#include <string>

// $XDG_CONFIG_HOME/bonussfx/profile.ini, else ~/.config/bonussfx/profile.ini.
std::string ProfileFilePath();

// The value of `key` in `section`, or `defaultValue` when there is none.
std::string GetProfileString(const std::string &section, const std::string &key,
                             const std::string &defaultValue);

// The same into a caller's buffer of `size` bytes: the value is cut to fit
// (never inside a UTF-8 character) and terminated. Returns the number of
// bytes copied, without the terminator.
std::uint32_t GetProfileString(const char *section, const char *key, const char *defaultValue,
                               char *buffer, std::uint32_t size);
