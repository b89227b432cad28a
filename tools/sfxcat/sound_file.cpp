#include "tools/sfxcat/sound_file.h"

#include <sndfile.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace sfxcat {

namespace {

struct SndfileCloser {
  void operator()(SNDFILE *f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

void PutLe16(std::string &s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xff));
  s.push_back(static_cast<char>(v >> 8));
}

void PutLe32(std::string &s, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

std::string ReadWholeFile(const std::string &path, int64_t size) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ESoundFileError(std::string("cannot open it: ") + std::strerror(errno));
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), size);
  if (in.gcount() != size) throw ESoundFileError("cannot read it completely");
  return bytes;
}

bool HasRiffWaveHeader(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  char head[12] = {};
  in.read(head, sizeof head);
  return in.gcount() == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
         std::memcmp(head + 8, "WAVE", 4) == 0;
}

} // namespace

int16_t FloatToPcm16(float sample) {
  if (std::isnan(sample)) return 0;
  float scaled = std::nearbyint(sample * 32768.0f);
  if (scaled > 32767.0f) return 32767;
  if (scaled < -32768.0f) return -32768;
  return static_cast<int16_t>(scaled);
}

std::string MakePcm16Wav(const std::vector<int16_t> &samples, int channels, int sample_rate) {
  const uint64_t data_bytes = samples.size() * 2;
  if (data_bytes > 0xffffffffull - 36) throw ESoundFileError("too long to store as a WAV file");
  std::string wav;
  wav.reserve(44 + data_bytes);
  wav += "RIFF";
  PutLe32(wav, static_cast<uint32_t>(36 + data_bytes));
  wav += "WAVEfmt ";
  PutLe32(wav, 16);
  PutLe16(wav, 1); // PCM
  PutLe16(wav, static_cast<uint16_t>(channels));
  PutLe32(wav, static_cast<uint32_t>(sample_rate));
  PutLe32(wav, static_cast<uint32_t>(sample_rate) * static_cast<uint32_t>(channels) * 2);
  PutLe16(wav, static_cast<uint16_t>(channels * 2));
  PutLe16(wav, 16);
  wav += "data";
  PutLe32(wav, static_cast<uint32_t>(data_bytes));
  for (int16_t s : samples)
    PutLe16(wav, static_cast<uint16_t>(s));
  return wav;
}

SoundData LoadSound(const std::string &path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) throw ESoundFileError("no such file");
    throw ESoundFileError(std::string("cannot read it: ") + std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) throw ESoundFileError("is a folder, not a sound file");
  if (!S_ISREG(st.st_mode)) throw ESoundFileError("is not a regular file");
  if (st.st_size == 0) throw ESoundFileError("the file is empty");
  if (st.st_size > kMaxSoundBytes) throw ESoundFileError("too large for the catalogue (over 1 GB)");

  SF_INFO info{};
  SndfilePtr file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file)
    throw ESoundFileError(std::string("not a readable sound file (") + sf_strerror(nullptr) + ")");
  if (info.channels < 1 || info.samplerate < 1)
    throw ESoundFileError("not a readable sound file (no channels or no sample rate)");

  SoundData data;
  data.channels = info.channels;
  data.sample_rate = info.samplerate;
  const int major = info.format & SF_FORMAT_TYPEMASK;
  const bool is_wav =
      (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) && HasRiffWaveHeader(path);

  // Decode every file, WAVs included: a WAV whose samples cannot be decoded
  // (a damaged codec block, a data chunk cut short before the first frame)
  // would store but never play. The decoded samples become the stored file
  // when the source is not a WAV. Frame counts of compressed formats are
  // only estimates, so read until the decoder gives nothing more.
  constexpr sf_count_t kChunkFrames = 4096;
  std::vector<float> chunk(static_cast<size_t>(kChunkFrames) * static_cast<size_t>(info.channels));
  std::vector<int16_t> pcm;
  int64_t frames = 0;
  for (;;) {
    sf_count_t got = sf_readf_float(file.get(), chunk.data(), kChunkFrames);
    if (got <= 0) break;
    frames += got;
    if (!is_wav) {
      if ((pcm.size() + static_cast<size_t>(got * info.channels)) * 2 > kMaxSoundBytes)
        throw ESoundFileError("too long to store as a WAV file");
      for (sf_count_t i = 0; i < got * info.channels; ++i)
        pcm.push_back(FloatToPcm16(chunk[static_cast<size_t>(i)]));
    }
  }
  if (sf_error(file.get()) != SF_ERR_NO_ERROR && frames == 0)
    throw ESoundFileError(std::string("cannot decode it (") + sf_strerror(file.get()) + ")");
  if (frames == 0) throw ESoundFileError("holds no sound (0 samples)");
  data.frames = frames;

  if (is_wav) {
    data.wav = ReadWholeFile(path, st.st_size);
  } else {
    data.wav = MakePcm16Wav(pcm, info.channels, info.samplerate);
    data.converted = true;
  }
  return data;
}

} // namespace sfxcat
