#include "platform/mci/wave_sound.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A sound longer than this many samples (about 50 minutes of 44.1 kHz
// stereo) is refused rather than held in memory.
constexpr std::int64_t kMaxSamples = std::int64_t(1) << 28;

bool InfoUsable(const SF_INFO &info) {
  return info.channels >= 1 && info.channels <= 32 && info.samplerate >= 1 &&
         info.samplerate <= 768000;
}

// Reads every sample of an open file into `sound`, whose rate and channels
// are set and whose samples are empty.
MCIERROR DecodeSamples(SNDFILE *file, const SF_INFO &info, WaveSound &sound) {
  sound.samples.clear();
  sound.frames = 0;
  constexpr sf_count_t kBlock = 4096;
  // SF_INFO.frames is only an estimate for some formats (and a header may lie
  // about its size): read until a read returns nothing. Room for the last
  // block read is reserved too, so the samples are never moved.
  if (info.frames > 0 && info.frames * info.channels <= kMaxSamples)
    sound.samples.reserve(static_cast<std::size_t>((info.frames + kBlock) * info.channels));
  const int sub = info.format & SF_FORMAT_SUBMASK;
  if (sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_S8 || sub == SF_FORMAT_PCM_U8) {
    // Integer samples of 16 bits or fewer read as shorts exactly, straight
    // into place (only float files must not be read this way).
    for (;;) {
      std::size_t at = sound.samples.size();
      if (static_cast<std::int64_t>(at) + kBlock * info.channels > kMaxSamples + kBlock * 32)
        return MCIERR_OUT_OF_MEMORY;
      sound.samples.resize(at + static_cast<std::size_t>(kBlock * info.channels));
      sf_count_t got = sf_readf_short(file, sound.samples.data() + at, kBlock);
      sound.samples.resize(at +
                           static_cast<std::size_t>(std::max<sf_count_t>(got, 0) * info.channels));
      if (got <= 0) break;
      sound.frames += got;
    }
    if (static_cast<std::int64_t>(sound.samples.size()) > kMaxSamples) return MCIERR_OUT_OF_MEMORY;
    if (sound.frames == 0 && info.frames > 0) return MCIERR_INVALID_FILE;
    return 0;
  }
  std::vector<float> block(static_cast<std::size_t>(kBlock * info.channels));
  for (;;) {
    sf_count_t got = sf_readf_float(file, block.data(), kBlock);
    if (got <= 0) break;
    std::size_t n = static_cast<std::size_t>(got * info.channels);
    if (static_cast<std::int64_t>(sound.samples.size() + n) > kMaxSamples)
      return MCIERR_OUT_OF_MEMORY;
    // Float reads keep every encoding's level (16-bit reads would turn float
    // files into silence); scale to 16 bits ourselves.
    for (std::size_t i = 0; i < n; ++i) {
      float v = block[i];
      if (!std::isfinite(v)) v = 0.0f;
      long s = std::lrint(static_cast<double>(v) * 32768.0);
      sound.samples.push_back(static_cast<std::int16_t>(std::clamp(s, -32768L, 32767L)));
    }
    sound.frames += got;
  }
  // A header that promises samples of which none can be decoded is a corrupt
  // file, not an empty sound.
  if (sound.frames == 0 && info.frames > 0) return MCIERR_INVALID_FILE;
  return 0;
}

MCIERROR ReadAll(SNDFILE *file, const SF_INFO &info, WaveSound &out) {
  if (!InfoUsable(info)) return MCIERR_INVALID_FILE;
  WaveSound sound;
  sound.rate = info.samplerate;
  sound.channels = info.channels;
  if (MCIERROR e = DecodeSamples(file, info, sound)) return e;
  out = std::move(sound);
  return 0;
}

// True when the header gives the number of frames exactly: plain sample
// encodings in containers whose data size fixes the count (libsndfile cuts a
// data size larger than the file down to what the file holds).
bool LengthFromHeader(const SF_INFO &info) {
  const int major = info.format & SF_FORMAT_TYPEMASK;
  const int sub = info.format & SF_FORMAT_SUBMASK;
  const bool container = major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX ||
                         major == SF_FORMAT_RF64 || major == SF_FORMAT_W64 ||
                         major == SF_FORMAT_AIFF || major == SF_FORMAT_AU;
  const bool plain = sub == SF_FORMAT_PCM_S8 || sub == SF_FORMAT_PCM_U8 ||
                     sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_24 ||
                     sub == SF_FORMAT_PCM_32 || sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE ||
                     sub == SF_FORMAT_ULAW || sub == SF_FORMAT_ALAW;
  return container && plain && info.frames >= 0 && info.frames * info.channels <= kMaxSamples;
}

struct MemorySource {
  const unsigned char *data;
  sf_count_t size;
  sf_count_t pos = 0;
};

sf_count_t MemLength(void *user) {
  return static_cast<MemorySource *>(user)->size;
}

sf_count_t MemSeek(sf_count_t offset, int whence, void *user) {
  auto *m = static_cast<MemorySource *>(user);
  sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : m->size;
  sf_count_t to = base + offset;
  if (to < 0 || to > m->size) return -1;
  m->pos = to;
  return to;
}

sf_count_t MemRead(void *ptr, sf_count_t count, void *user) {
  auto *m = static_cast<MemorySource *>(user);
  sf_count_t n = std::max<sf_count_t>(0, std::min(count, m->size - m->pos));
  if (n > 0) std::memcpy(ptr, m->data + m->pos, static_cast<std::size_t>(n));
  m->pos += n;
  return n;
}

sf_count_t MemWrite(const void *, sf_count_t, void *) {
  return 0;
}

sf_count_t MemTell(void *user) {
  return static_cast<MemorySource *>(user)->pos;
}

} // namespace

std::uint32_t WaveSound::LengthMs() const {
  return FramesToMs(frames);
}

std::int64_t WaveSound::MsToFrames(std::uint32_t ms) const {
  if (rate <= 0) return 0;
  return std::min<std::int64_t>(frames, static_cast<std::int64_t>(ms) * rate / 1000);
}

std::uint32_t WaveSound::FramesToMs(std::int64_t frame) const {
  if (rate <= 0) return 0;
  return static_cast<std::uint32_t>(frame * 1000 / rate);
}

WaveFileSamples::~WaveFileSamples() {
  if (file_) sf_close(file_);
  if (fd_ >= 0) ::close(fd_);
}

MCIERROR WaveFileSamples::DecodeInto(WaveSound &sound) {
  if (!file_) return MCIERR_INVALID_FILE; // decoded already
  SF_INFO info{};
  info.frames = frames_;
  info.samplerate = sound.rate;
  info.channels = sound.channels;
  info.format = format_;
  MCIERROR result = DecodeSamples(file_, info, sound);
  sf_close(file_);
  file_ = nullptr;
  ::close(fd_);
  fd_ = -1;
  return result;
}

MCIERROR OpenWaveFile(const std::string &path, WaveSound &out,
                      std::unique_ptr<WaveFileSamples> &later) {
  later.reset();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return MCIERR_FILE_NOT_FOUND;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return MCIERR_FILE_NOT_FOUND;
  }
  SF_INFO info{};
  // The descriptor stays ours, whether libsndfile accepts it or not.
  SNDFILE *file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
  if (!file) {
    ::close(fd);
    return MCIERR_INVALID_FILE;
  }
  if (!InfoUsable(info) || !LengthFromHeader(info)) {
    MCIERROR result = ReadAll(file, info, out);
    sf_close(file);
    ::close(fd);
    return result;
  }
  std::unique_ptr<WaveFileSamples> samples(new WaveFileSamples);
  samples->fd_ = fd;
  samples->file_ = file;
  samples->format_ = info.format;
  samples->frames_ = info.frames;
  WaveSound sound;
  sound.rate = info.samplerate;
  sound.channels = info.channels;
  sound.frames = info.frames;
  out = std::move(sound);
  later = std::move(samples);
  return 0;
}

MCIERROR DecodeWaveFile(const std::string &path, WaveSound &out) {
  WaveSound sound;
  std::unique_ptr<WaveFileSamples> later;
  if (MCIERROR e = OpenWaveFile(path, sound, later)) return e;
  if (later)
    if (MCIERROR e = later->DecodeInto(sound)) return e;
  out = std::move(sound);
  return 0;
}

MCIERROR DecodeWaveMemory(const void *data, std::size_t size, WaveSound &out) {
  if (!data && size) return MCIERR_INVALID_FILE;
  MemorySource source{static_cast<const unsigned char *>(data), static_cast<sf_count_t>(size)};
  SF_VIRTUAL_IO io{MemLength, MemSeek, MemRead, MemWrite, MemTell};
  SF_INFO info{};
  SNDFILE *file = sf_open_virtual(&io, SFM_READ, &info, &source);
  if (!file) return MCIERR_INVALID_FILE;
  MCIERROR result = ReadAll(file, info, out);
  sf_close(file);
  return result;
}
