// sfxcat import: one catalogue row per sound file.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>

#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat/naming.h"
#include "tools/sfxcat/sound_file.h"

namespace sfxcat {
namespace {

struct Job {
  std::string path;
  std::string origin; // where the job came from, for messages: the file, or "LIST:LINE"
  std::optional<long long> category;
  std::optional<std::string> title;
  std::optional<std::string> keywords;
};

std::optional<long long> ParseCategory(const std::string &text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char *end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < -32768 || v > 32767) return std::nullopt;
  return v;
}

bool IsKnownCategory(long long c) {
  return c >= 100 && c <= 900 && c % 100 == 0;
}

std::vector<std::string> SplitTabs(const std::string &line) {
  std::vector<std::string> cols;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    cols.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return cols;
    start = tab + 1;
  }
}

// Reads an import list: one sound per line, FILE<TAB>CATEGORY<TAB>TITLE<TAB>KEYWORDS,
// the last three optional; blank lines and lines starting with "#" are
// skipped. A relative FILE is taken from the list's folder. Lines that
// cannot be used are reported and counted in `bad`.
std::vector<Job> ReadList(const std::string &list, std::ostream &err, int &bad) {
  std::ifstream in(list);
  if (!in) throw Exception("cannot read the list " + list);
  std::string folder;
  if (auto slash = list.find_last_of('/'); slash != std::string::npos)
    folder = list.substr(0, slash + 1);
  std::vector<Job> jobs;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::string origin = list + ":" + std::to_string(number);
    std::vector<std::string> cols = SplitTabs(line);
    if (cols.size() > 4 || cols[0].empty()) {
      err << "sfxcat import: " << origin
          << ": expected FILE, CATEGORY, TITLE, KEYWORDS separated by tabs; line skipped\n";
      ++bad;
      continue;
    }
    Job job{cols[0][0] == '/' ? cols[0] : folder + cols[0], origin, {}, {}, {}};
    if (cols.size() > 1 && !cols[1].empty()) {
      job.category = ParseCategory(cols[1]);
      if (!job.category) {
        err << "sfxcat import: " << origin << ": \"" << cols[1]
            << "\" is not a category number; line skipped\n";
        ++bad;
        continue;
      }
    }
    if (cols.size() > 2 && !cols[2].empty()) job.title = cols[2];
    if (cols.size() > 3 && !cols[3].empty()) job.keywords = cols[3];
    jobs.push_back(std::move(job));
  }
  if (in.bad()) throw Exception("cannot read the list " + list);
  return jobs;
}

// The files of a folder and its sub-folders, in name order, leaving out
// hidden ones (names starting with a dot).
std::vector<std::string> FilesInFolder(const std::string &folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code type_ec;
    if (!name.empty() && name[0] == '.') {
      if (it->is_directory(type_ec)) it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file(type_ec)) files.push_back(it->path().string());
  }
  if (ec) throw Exception("cannot read the folder " + folder + ": " + ec.message());
  std::sort(files.begin(), files.end());
  return files;
}

int RunImport(CommandContext &ctx) {
  const ParsedArgs &args = ctx.args;
  std::ostream &err = ctx.err;
  std::optional<long long> default_category;
  if (args.Has("category")) {
    default_category = ParseCategory(args.Get("category"));
    if (!default_category)
      throw EUsageError("--category needs a whole number from -32768 to 32767, not \"" +
                        args.Get("category") + "\"");
  }
  const bool by_list = args.Has("list");
  if (by_list == !args.Positional().empty())
    throw EUsageError(by_list ? "give either --list or sound files, not both"
                              : "no sound files given");

  int failed = 0;
  std::vector<Job> jobs;
  if (by_list) {
    jobs = ReadList(args.Get("list"), err, failed);
  } else {
    if (!default_category) throw EUsageError("--category N is needed (100, 200, ... 900)");
    for (const std::string &arg : args.Positional()) {
      std::error_code ec;
      if (!std::filesystem::is_directory(arg, ec)) {
        jobs.push_back({arg, arg, {}, {}, {}});
        continue;
      }
      std::vector<std::string> files = FilesInFolder(arg);
      if (files.empty()) {
        err << "sfxcat import: " << arg << ": no files in this folder\n";
        ++failed;
      }
      for (const std::string &file : files)
        jobs.push_back({file, file, {}, {}, {}});
    }
    if (args.Has("title")) {
      if (jobs.size() != 1)
        throw EUsageError("--title names one file's row: give exactly one file with it");
      jobs[0].title = args.Get("title");
    }
  }
  for (Job &job : jobs) {
    if (!job.category) job.category = default_category;
    if (!job.keywords && args.Has("keywords")) job.keywords = args.Get("keywords");
  }

  TableLocation where = TableLocation::FromArgs(args);
  EngineRun engine;
  Database db(where);
  CatalogueTable table(db, false);
  table.CheckShape();

  const int total = static_cast<int>(jobs.size()) + failed;
  int imported = 0;
  for (size_t n = 0; n < jobs.size(); ++n) {
    const Job &job = jobs[n];
    auto report = [&](const std::string &what) {
      err << "sfxcat import: " << job.origin << ": " << what << "\n";
    };
    if (!job.category) {
      report("no category (give --category N or a CATEGORY column); skipped");
      ++failed;
      continue;
    }
    if (!IsKnownCategory(*job.category))
      report("category " + std::to_string(*job.category) +
             " is none of 100, 200, ... 900; no category button shows it");
    SoundData sound;
    try {
      sound = LoadSound(job.path);
    } catch (const ESoundFileError &e) {
      report(e.Message() + "; skipped");
      ++failed;
      continue;
    }

    std::string title;
    if (job.title) {
      title = NormalizeSpaces(SanitizeUtf8(*job.title));
      std::string cut = CutText(title, kTitleWidth);
      if (cut != title) report("title cut to 24 characters: \"" + cut + "\"");
      title = cut;
      if (title.empty()) title = TitleFromFileName(job.path);
    } else {
      title = TitleFromFileName(job.path);
    }
    std::string keywords;
    if (job.keywords) {
      keywords = NormalizeSpaces(SanitizeUtf8(*job.keywords));
      std::string cut = CutText(keywords, kKeywordsWidth, true);
      if (cut != keywords) report("keywords cut to 240 characters");
      keywords = cut;
    } else {
      keywords = KeywordsFromFileName(job.path);
    }

    try {
      // Another writer may take the title between the look-up and the
      // insert; the unique index refuses it and the next number is tried.
      for (int attempt = 0;; ++attempt) {
        std::string unique =
            MakeUniqueTitle(title, [&](const std::string &t) { return table.TitleTaken(t); });
        try {
          table.Insert(static_cast<int16_t>(*job.category), unique, keywords, sound.wav);
          if (job.title && unique != title)
            report("title \"" + title + "\" is taken; stored as \"" + unique + "\"");
          ctx.out << unique << "\t" << job.path << "\n";
          ++imported;
          break;
        } catch (const EEngineError &e) {
          if (e.Code() != DBENG_ERR_KEYVIOL || attempt >= 4) throw;
        }
      }
    } catch (const EEngineError &e) {
      report(e.Message() + "; skipped");
      ++failed;
      if (e.Code() == DBENG_ERR_DISKFULL || e.Code() == DBENG_ERR_IO ||
          e.Code() == DBENG_ERR_SYSTEM || e.Code() == DBENG_ERR_CORRUPT) {
        int left = static_cast<int>(jobs.size() - n - 1);
        if (left > 0) err << "sfxcat import: stopped; " << left << " more files not imported\n";
        failed += left;
        break;
      }
    }
  }
  if (failed > 0) {
    err << "sfxcat import: " << imported << " of " << total << " imported, " << failed
        << " could not be\n";
    return 1;
  }
  return 0;
}

const CommandRegistrar registrar({
    "import",
    "add sound files to a catalogue, one row each",
    "--category N [--keywords TEXT] [--title TEXT] FILE|FOLDER...\n"
    "       sfxcat import [table options] --list LIST [--category N] [--keywords TEXT]",
    "A FOLDER stands for the files in it and in its sub-folders. A WAV file is stored\n"
    "byte for byte; any other format the decoder reads (FLAC, Ogg Vorbis, MP3, AIFF,\n"
    "AU, ...) is stored as a 16-bit PCM WAV. The title is the file name (or --title),\n"
    "cut to 24 characters and numbered when taken; the keywords are --keywords or the\n"
    "file name's words, at most 240 characters.\n\n"
    "Categories: 100 Animals, 200 Cartoons, 300 Explosions and guns, 400 Household,\n"
    "500 Machines, 600 Nature, 700 People, 800 Windows, 900 Pot Luck.\n\n"
    "A LIST names one sound per line: FILE, CATEGORY, TITLE, KEYWORDS separated by tabs (the\n"
    "last three may be empty or left out; a relative FILE is taken from the list's folder).\n\n"
    "Prints TITLE<tab>FILE for each row added. A file that cannot be read is named on\n"
    "standard error and skipped; the others still go in, and the exit status is then 1.",
    {{"category", "N", "the category of the rows"},
     {"keywords", "TEXT", "the keywords of the rows"},
     {"title", "TEXT", "the title of the row (with one file)"},
     {"list", "LIST", "import the sounds named in LIST"}},
    true,
    RunImport,
});

} // namespace
} // namespace sfxcat
