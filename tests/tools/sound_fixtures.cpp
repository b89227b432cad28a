#include "tools/sound_fixtures.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fixtures {

namespace {

std::vector<float> Tone(long frames, int channels, int rate) {
  std::vector<float> s(static_cast<size_t>(frames * channels));
  for (long i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[static_cast<size_t>(i * channels + c)] =
          0.5f * static_cast<float>(std::sin(2 * M_PI * (440.0 + 110 * c) * i / rate));
  return s;
}

// Writes with libsndfile; false when this build cannot write the format.
bool WriteWith(const std::string &path, int format, int rate, int channels, long frames) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  if (!sf_format_check(&info)) return false;
  SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  auto samples = Tone(frames, channels, rate);
  sf_count_t wrote = sf_writef_float(f, samples.data(), frames);
  sf_close(f);
  if (wrote != frames) throw std::runtime_error("short write of " + path);
  return true;
}

void Le16(std::string &s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xff));
  s.push_back(static_cast<char>((v >> 8) & 0xff));
}
void Le32(std::string &s, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void Chunk(std::string &s, const char *id, const std::string &body) {
  s.append(id, 4);
  Le32(s, static_cast<uint32_t>(body.size()));
  s += body;
  if (body.size() % 2) s.push_back('\0');
}

// A WAV as games and editors leave them: an 18-byte fmt chunk, a fact
// chunk, a cue chunk, a LIST/INFO chunk before the data and an id3 chunk
// after it.
std::string WavWithExtraChunks(long frames) {
  std::string fmt;
  Le16(fmt, 1);
  Le16(fmt, 1);
  Le32(fmt, 11025);
  Le32(fmt, 22050);
  Le16(fmt, 2);
  Le16(fmt, 16);
  Le16(fmt, 0); // cbSize: the 18-byte form
  std::string fact;
  Le32(fact, static_cast<uint32_t>(frames));
  std::string cue;
  Le32(cue, 1);
  for (int i = 0; i < 6; ++i)
    Le32(cue, i == 4 ? 0 : 0);
  std::string info = "INFO";
  Chunk(info, "INAM", std::string("Odd one\0", 8));
  std::string data;
  for (long i = 0; i < frames; ++i)
    Le16(data, static_cast<unsigned>(static_cast<int16_t>(8000 * std::sin(i / 5.0))));
  std::string id3 = "ID3\x03";
  id3.resize(16, '\0');
  std::string body = "WAVE";
  Chunk(body, "fmt ", fmt);
  Chunk(body, "fact", fact);
  Chunk(body, "cue ", cue);
  Chunk(body, "LIST", info);
  Chunk(body, "data", data);
  Chunk(body, "id3 ", id3);
  std::string wav = "RIFF";
  Le32(wav, static_cast<uint32_t>(body.size()));
  return wav + body;
}

} // namespace

std::string ReadFileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteToneWav(const std::string &path, long frames, int sample_rate) {
  if (!WriteWith(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, sample_rate, 1, frames))
    throw std::runtime_error("cannot write " + path);
}

std::vector<SoundFixture> WriteUnusualSounds(const std::string &folder) {
  struct Kind {
    const char *name;
    int format;
    int rate, channels;
    long frames;
    bool as_is;
  };
  const Kind kinds[] = {
      {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, 4000, true},
      {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, 4800, true},
      {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, 4410, true},
      {"ima adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, 1, 5000, true},
      {"ms_adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 11025, 2, 3000, true},
      {"mulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, 1, 2000, true},
      {"alaw.wav", SF_FORMAT_WAV | SF_FORMAT_ALAW, 8000, 1, 2000, true},
      {"gsm.wav", SF_FORMAT_WAV | SF_FORMAT_GSM610, 8000, 1, 3200, true},
      {"odd-rate-7350.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 7350, 1, 735, true},
      {"odd-rate-96k.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 96000, 1, 9600, true},
      {"extensible-quad.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 44100, 4, 1000, true},
      {"rf64.wav", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 22050, 1, 2205, false},
      {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, 4410, false},
      {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 8820, false},
      {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 1, 11025, false},
      {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 1, 2205, false},
      {"tone.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, 8000, 1, 800, false},
  };
  std::vector<SoundFixture> made;
  for (const Kind &k : kinds)
    if (WriteWith(folder + "/" + k.name, k.format, k.rate, k.channels, k.frames))
      made.push_back({k.name, true, k.as_is, k.rate, k.channels, k.frames});

  WriteFileBytes(folder + "/extra-chunks.wav", WavWithExtraChunks(1500));
  made.push_back({"extra-chunks.wav", true, true, 11025, 1, 1500});

  WriteFileBytes(folder + "/empty.wav", "");
  made.push_back({"empty.wav", false, false, 0, 0, 0});

  std::string whole = ReadFileBytes(folder + "/odd-rate-7350.wav");
  WriteFileBytes(folder + "/truncated-header.wav", whole.substr(0, 20));
  made.push_back({"truncated-header.wav", false, false, 0, 0, 0});

  // A well-formed WAV without a single sample: nothing to play.
  std::string silent = WavWithExtraChunks(0);
  WriteFileBytes(folder + "/no-samples.wav", silent);
  made.push_back({"no-samples.wav", false, false, 0, 0, 0});

  WriteFileBytes(folder + "/notes.wav", "These are not the sounds you are looking for.\n");
  made.push_back({"notes.wav", false, false, 0, 0, 0});
  return made;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sfxcat-test.XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

} // namespace fixtures
