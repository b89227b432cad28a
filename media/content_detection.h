// Recognising the content of a blob by its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// What the viewer knows about the current blob.
struct TBlobInfo {
  std::string Kind;                         // "WAV", "Empty", "PNG", ...
  std::int16_t Values[5] = {0, 0, 0, 0, 0}; // picture width, height, depth, frames, 0
  std::int64_t Size = 0;                    // blob size in bytes
  std::string Format;                       // "RIFF", "QTM", "MIDI", "MSG", "RTF", ...

  void Clear(); // kind and format empty, values and size 0
};

// Picture information: fills kind text, format text and the five values from
// the picture's bytes; false when the bytes are no picture it can read.
using TPictureInfoFn =
    std::function<bool(const unsigned char *data, std::size_t size, TBlobInfo &info)>;

// Picture information from Qt's image readers.
bool QtPictureInfo(const unsigned char *data, std::size_t size, TBlobInfo &info);

// Number of leading bytes the markers are looked for in.
inline constexpr std::size_t kSignatureBytes = 45;

// Result of DetectContent.
struct TDetection {
  std::string Code = "-1";        // "WAV", "AVI", "RMI", "MOV", "MID", "SCM", "CMS", "RTF",
                                  // "PNG", "GIF", "TIF", "PCX", "JPG", "BMP", or "-1"
  bool PictureInfoFailed = false; // no marker matched and the picture probe refused
};

// Looks for the markers in the first 45 bytes of a blob (bytes past its end
// count as spaces, zero bytes too) in a fixed order: "RIFF" (then "WAV",
// "AVI", "RMID", the later overriding the earlier), "mdat", "MThd",
// "brintmox", "moxbrint", "\rtf", and at last asks `pictureInfo`. Fills
// `info` along the way.
TDetection DetectContent(const unsigned char *data, std::size_t size, TBlobInfo &info,
                         const TPictureInfoFn &pictureInfo = QtPictureInfo);
