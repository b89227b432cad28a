#include "media/content_detection.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <cctype>

void TBlobInfo::Clear() {
  Kind.clear();
  Format.clear();
  std::fill(std::begin(Values), std::end(Values), std::int16_t(0));
  Size = 0;
}

bool QtPictureInfo(const unsigned char *data, std::size_t size, TBlobInfo &info) {
  if (!data || size == 0) return false;
  QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  QByteArray format = reader.format();
  if (format.isEmpty() || !reader.canRead()) return false;
  QSize dims = reader.size();
  std::string kind = format.toUpper().toStdString();
  info.Kind = kind;
  info.Format = kind;
  auto clip = [](int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); };
  info.Values[0] = clip(dims.width());
  info.Values[1] = clip(dims.height());
  info.Values[2] = clip(reader.imageFormat() == QImage::Format_Indexed8 ? 8 : 24);
  info.Values[3] = clip(std::max(1, reader.imageCount()));
  info.Values[4] = 0;
  return true;
}

TDetection DetectContent(const unsigned char *data, std::size_t size, TBlobInfo &info,
                         const TPictureInfoFn &pictureInfo) {
  TDetection result;
  info.Kind = "Empty";
  std::fill(std::begin(info.Values), std::end(info.Values), std::int16_t(-1));
  info.Format = "-1";
  info.Size = -1;

  // The text window: 45 bytes, spaces past the end and for zero bytes.
  std::string window(kSignatureBytes, ' ');
  for (std::size_t i = 0; i < kSignatureBytes && i < size; ++i)
    if (data[i] != 0) window[i] = static_cast<char>(data[i]);
  auto has = [&](const char *marker) { return window.find(marker) != std::string::npos; };
  auto found = [&](const char *format, const char *code) {
    info.Format = format;
    info.Kind = code;
    info.Size = static_cast<std::int64_t>(size);
    result.Code = code;
  };

  if (has("RIFF")) {
    info.Format = "RIFF";
    if (has("WAV")) found("RIFF", "WAV");
    if (has("AVI")) found("RIFF", "AVI");
    if (has("RMID")) found("RIFF", "RMI");
  } else if (has("mdat")) {
    found("QTM", "MOV");
  } else if (has("MThd")) {
    found("MIDI", "MID");
  } else if (has("brintmox")) {
    found("MSG", "SCM");
  } else if (has("moxbrint")) {
    found("MSG", "CMS");
  } else if (has("\\rtf")) {
    found("RTF", "RTF");
  } else {
    if (!pictureInfo || !pictureInfo(data, size, info)) {
      result.PictureInfoFailed = true;
      return result;
    }
    info.Size = static_cast<std::int64_t>(size);
    std::string kind = info.Kind;
    std::transform(kind.begin(), kind.end(), kind.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (kind == "PNG")
      result.Code = "PNG";
    else if (kind == "GIF")
      result.Code = "GIF";
    else if (kind == "TIFF")
      result.Code = "TIF";
    else if (kind == "PCX")
      result.Code = "PCX";
    else if (kind == "JPEG")
      result.Code = "JPG";
    else if (kind == "BMP")
      result.Code = "BMP";
  }
  return result;
}
