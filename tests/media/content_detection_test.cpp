#include "media/content_detection.h"
#include "support/wav_fixtures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

namespace {

TDetection Detect(const std::string &bytes, TBlobInfo &info,
                  const TPictureInfoFn &probe = QtPictureInfo) {
  return DetectContent(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), info,
                       probe);
}

std::string Code(const std::string &bytes) {
  TBlobInfo info;
  return Detect(bytes, info).Code;
}

std::string Picture(const char *format) {
  QImage img(7, 5, QImage::Format_RGB32);
  img.fill(Qt::red);
  QByteArray out;
  QBuffer buf(&out);
  buf.open(QIODevice::WriteOnly);
  EXPECT_TRUE(img.save(&buf, format)) << format;
  return out.toStdString();
}

} // namespace

using namespace std::string_literals;

TEST(ContentDetection, RiffKinds) {
  TBlobInfo info;
  std::string wav = fixtures::PcmWavBytes(8000, 1, fixtures::Tone(8000, 1, 100));
  EXPECT_EQ(Detect(wav, info).Code, "WAV");
  EXPECT_EQ(info.Kind, "WAV");
  EXPECT_EQ(info.Format, "RIFF");
  EXPECT_EQ(info.Size, static_cast<std::int64_t>(wav.size()));
  EXPECT_EQ(info.Values[0], -1);

  EXPECT_EQ(Code("RIFF\x10\0\0\0AVI LIST"s), "AVI");
  EXPECT_EQ(Code("RIFF\0\0\0\0RMIDdata"s), "RMI");
  // Later tests override earlier ones.
  EXPECT_EQ(Code("RIFF....WAVEAVI "), "AVI");
  EXPECT_EQ(Code("RIFF....WAVERMID"), "RMI");
  // RIFF of another form: format known, kind not.
  EXPECT_EQ(Detect("RIFF....CDXA", info).Code, "-1");
  EXPECT_EQ(info.Format, "RIFF");
  EXPECT_EQ(info.Kind, "Empty");
}

TEST(ContentDetection, OtherMarkersInOrder) {
  TBlobInfo info;
  EXPECT_EQ(Detect("\0\0\0\x20"s + "ftypqt  ....mdat", info).Code, "MOV");
  EXPECT_EQ(info.Format, "QTM");
  EXPECT_EQ(Detect("MThd\0\0\0\x06\0\x01"s, info).Code, "MID");
  EXPECT_EQ(info.Format, "MIDI");
  EXPECT_EQ(Detect("/fc|255/brintmox/sm|Hello/eo|", info).Code, "SCM");
  EXPECT_EQ(info.Format, "MSG");
  EXPECT_EQ(Detect("moxbrint\n255\n-13\nArial", info).Code, "CMS");
  EXPECT_EQ(Detect("{\\rtf1\\ansi hello}", info).Code, "RTF");
  EXPECT_EQ(info.Format, "RTF");
  EXPECT_EQ(info.Kind, "RTF");
  // RIFF wins over everything; "mdat" over "MThd".
  EXPECT_EQ(Code("MThd RIFF WAVE"), "WAV");
  EXPECT_EQ(Code("MThd mdat"), "MOV");
  // Zero bytes turn into spaces and do not end the window.
  EXPECT_EQ(Code("\0\0\0\0\0\0MThd"s), "MID");
}

TEST(ContentDetection, MarkersMustLieWhollyInTheFirst45Bytes) {
  std::string pad(41, 'x');
  EXPECT_EQ(Code(pad + "MThd"), "MID");  // bytes 41..44: inside
  EXPECT_NE(Code(pad + "xMThd"), "MID"); // bytes 42..45: one outside
  EXPECT_NE(Code(std::string(44, 'x') + "RIFF....WAVE"), "WAV");
  // "RIFF" inside but "WAVE" beyond: a RIFF of unknown form.
  EXPECT_EQ(Code("RIFF" + std::string(41, '.') + "WAVE"), "-1");
  // A short blob: the window is padded with spaces, never read past.
  EXPECT_EQ(Code("MThd"), "MID");
}

TEST(ContentDetection, PicturesThroughQtReaders) {
  TBlobInfo info;
  EXPECT_EQ(Detect(Picture("PNG"), info).Code, "PNG");
  EXPECT_EQ(info.Kind, "PNG");
  EXPECT_EQ(info.Values[0], 7);
  EXPECT_EQ(info.Values[1], 5);
  EXPECT_EQ(Code(Picture("BMP")), "BMP");
  EXPECT_EQ(Code(Picture("JPEG")), "JPG");
}

TEST(ContentDetection, UnknownBytesFailThePictureProbe) {
  TBlobInfo info;
  auto d = Detect("just some text, nothing else", info);
  EXPECT_EQ(d.Code, "-1");
  EXPECT_TRUE(d.PictureInfoFailed);
  EXPECT_EQ(info.Kind, "Empty");
  EXPECT_EQ(info.Size, -1);
  EXPECT_TRUE(Detect("", info).PictureInfoFailed);
  // A picture kind the viewer has no code for leaves "-1".
  d = Detect("whatever", info, [](const unsigned char *, std::size_t, TBlobInfo &i) {
    i.Kind = "xpm";
    return true;
  });
  EXPECT_EQ(d.Code, "-1");
  EXPECT_FALSE(d.PictureInfoFailed);
  EXPECT_EQ(info.Size, 8);
  d = Detect("whatever", info, [](const unsigned char *, std::size_t, TBlobInfo &i) {
    i.Kind = "tiff";
    return true;
  });
  EXPECT_EQ(d.Code, "TIF");
}
