// Sound files of every kind an importer meets, made at test time with
// libsndfile (and by hand for the damaged ones), so no binary is committed.
#pragma once

#include <string>
#include <vector>

namespace fixtures {

struct SoundFixture {
  std::string name;  // file name inside the folder
  bool readable;     // true: the importer must take it
  bool stored_as_is; // true: a WAV the catalogue keeps byte for byte
  int sample_rate;   // of the source, when readable
  int channels;
  long frames; // samples per channel written (0 for damaged files)
};

// Writes the whole set into `folder` (which must exist) and returns what was
// written. Formats this libsndfile cannot write (MP3 on some builds) are left
// out of the set.
std::vector<SoundFixture> WriteUnusualSounds(const std::string &folder);

// A small 16-bit PCM WAV tone of `frames` samples.
void WriteToneWav(const std::string &path, long frames, int sample_rate = 8000);

std::string ReadFileBytes(const std::string &path);
void WriteFileBytes(const std::string &path, const std::string &bytes);

// A fresh private temporary folder, removed by the destructor.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &Path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

} // namespace fixtures
