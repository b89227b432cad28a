// sfxcat generate: synthetic rows for benchmarks and load tests.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <random>
#include <unistd.h>

#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat/naming.h"

namespace sfxcat {
namespace {

struct CategoryWords {
  int16_t category;
  std::vector<const char *> nouns;
  std::vector<const char *> words;
};

const std::vector<CategoryWords> &Vocabulary() {
  static const std::vector<CategoryWords> vocabulary = {
      {100,
       {"dog", "cat", "cow", "horse", "sheep", "owl", "crow", "goat", "lion", "wolf", "frog",
        "duck", "pig", "donkey", "parrot", "bee"},
       {"bark", "meow", "moo", "neigh", "bleat", "hoot", "caw", "roar", "howl", "croak", "quack",
        "grunt", "farm", "wild", "zoo", "pet", "animal", "night"}},
      {200,
       {"boing", "splat", "zip", "bonk", "whistle", "squeak", "pop", "wobble", "slide", "honk"},
       {"cartoon", "comedy", "silly", "funny", "spring", "toy", "slapstick", "clown", "goofy"}},
      {300,
       {"blast", "boom", "rifle", "pistol", "cannon", "grenade", "mortar", "ricochet", "shotgun",
        "rocket"},
       {"explosion", "gun", "shot", "war", "battle", "bang", "fire", "weapon", "loud", "impact"}},
      {400,
       {"door", "kettle", "toaster", "clock", "phone", "drawer", "blender", "faucet", "vacuum",
        "doorbell"},
       {"home", "kitchen", "house", "click", "ring", "creak", "open", "close", "daily", "room"}},
      {500,
       {"engine", "train", "truck", "drill", "turbine", "press", "siren", "motor", "crane", "jet"},
       {"machine", "industry", "factory", "hum", "whir", "rumble", "metal", "vehicle", "power"}},
      {600,
       {"rain", "wind", "thunder", "stream", "surf", "storm", "fire", "hail", "creek", "leaves"},
       {"nature", "weather", "outdoor", "calm", "water", "forest", "ambience", "sky", "wet"}},
      {700,
       {"laugh", "cheer", "scream", "cough", "sneeze", "footstep", "whisper", "clap", "sigh",
        "crowd"},
       {"people", "voice", "human", "audience", "man", "woman", "child", "breath", "mouth"}},
      {800,
       {"chime", "ding", "alert", "notify", "logon", "logoff", "error", "tada", "prompt", "click"},
       {"desktop", "system", "computer", "event", "dialog", "beep", "window", "message"}},
      {900,
       {"jingle", "gong", "morse", "fanfare", "zap", "warble", "blip", "drone", "riser", "glitch"},
       {"misc", "odd", "electronic", "tone", "signal", "music", "synth", "strange", "sting"}},
  };
  return vocabulary;
}

const std::vector<const char *> kAdjectives = {
    "Big",    "Small", "Rusty", "Distant", "Close",   "Heavy",   "Light", "Quick", "Slow",
    "Loud",   "Soft",  "Deep",  "Sharp",   "Muffled", "Echoing", "Long",  "Short", "Old",
    "Bright", "Dull",  "Angry", "Happy",   "Eerie",   "Busy",    "Lazy",  "Tiny",  "Huge"};

const std::vector<const char *> kMoods = {"calm",   "tense",    "cheerful", "spooky", "urgent",
                                          "gentle", "dramatic", "playful",  "gloomy", "bright"};

std::string Base36(uint64_t n) {
  const char *digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s;
  do {
    s.insert(s.begin(), digits[n % 36]);
    n /= 36;
  } while (n);
  return s;
}

// A short 8-bit mono WAV at 8 kHz: a tone, a chirp or a noise burst with a
// fading tail, 10 to 50 ms long.
std::string GenerateWav(std::mt19937 &rng) {
  std::uniform_int_distribution<int> length(80, 400), kind(0, 2), pitch(200, 2000);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const int n = length(rng), k = kind(rng), hz = pitch(rng);
  std::string data(static_cast<size_t>(n), '\0');
  for (int i = 0; i < n; ++i) {
    double t = i / 8000.0, env = 1.0 - static_cast<double>(i) / n;
    double v = k == 0   ? std::sin(2 * M_PI * hz * t)
               : k == 1 ? std::sin(2 * M_PI * (hz + 4000.0 * t) * t)
                        : noise(rng);
    data[static_cast<size_t>(i)] = static_cast<char>(128 + static_cast<int>(100 * env * v));
  }
  std::string wav = "RIFF";
  auto le = [&wav](uint32_t v, int bytes) {
    for (int b = 0; b < bytes; ++b)
      wav.push_back(static_cast<char>((v >> (8 * b)) & 0xff));
  };
  le(36 + static_cast<uint32_t>(n), 4);
  wav += "WAVEfmt ";
  le(16, 4);
  le(1, 2);    // PCM
  le(1, 2);    // mono
  le(8000, 4); // samples per second
  le(8000, 4); // bytes per second
  le(1, 2);    // block align
  le(8, 2);    // bits per sample
  wav += "data";
  le(static_cast<uint32_t>(n), 4);
  return wav + data;
}

template <typename T> const T &Pick(const std::vector<T> &v, std::mt19937 &rng) {
  return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(rng)];
}

int RunGenerate(CommandContext &ctx) {
  if (!ctx.args.Positional().empty())
    throw EUsageError("generate takes no arguments besides its options");
  if (!ctx.args.Has("rows")) throw EUsageError("--rows N is needed");
  const long long rows = ctx.args.GetInt("rows", 0, 1, 100000000);
  std::mt19937 rng(static_cast<uint32_t>(ctx.args.GetInt("seed", 1, 0, 4294967295LL)));
  TableLocation where = TableLocation::FromArgs(ctx.args);
  EngineRun engine;
  Database db(where);
  CatalogueTable table(db, false);
  table.CheckShape();

  // Titles end in a number that counts on from the rows already there, so
  // they are unique without a look-up per row; a clash with an older row
  // moves the number on.
  uint64_t serial = table.RowCount() + 1;
  const bool tty = isatty(STDERR_FILENO);
  const auto start = std::chrono::steady_clock::now();
  auto last_report = start;
  long long next_line = rows / 10;
  for (long long i = 0; i < rows; ++i) {
    const CategoryWords &cat = Vocabulary()[static_cast<size_t>(i % 9)];
    std::string noun = Pick(cat.nouns, rng);
    std::string base = std::string(Pick(kAdjectives, rng)) + " " + noun;
    std::string keywords = noun;
    std::uniform_int_distribution<int> extra(3, 7);
    for (int w = extra(rng); w > 0; --w)
      keywords += std::string(" ") + Pick(cat.words, rng);
    keywords += std::string(" ") + Pick(kMoods, rng);
    keywords = CutText(keywords, kKeywordsWidth, true);
    std::string wav = GenerateWav(rng);
    for (int attempt = 0;; ++attempt) {
      std::string id = Base36(serial++);
      std::string title = CutText(base, kTitleWidth - 1 - id.size()) + " " + id;
      try {
        table.Insert(cat.category, title, keywords, wav);
        break;
      } catch (const EEngineError &e) {
        if (e.Code() != DBENG_ERR_KEYVIOL || attempt >= 100) throw;
      }
    }
    const long long done = i + 1;
    auto now = std::chrono::steady_clock::now();
    if (tty ? (now - last_report > std::chrono::milliseconds(500) || done == rows)
            : (done >= next_line || done == rows)) {
      last_report = now;
      next_line = done + std::max(1LL, rows / 10);
      ctx.err << (tty ? "\r" : "") << "sfxcat generate: " << done << " of " << rows << " rows ("
              << done * 100 / rows << "%)" << (tty ? "" : "\n") << std::flush;
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (tty) ctx.err << "\n";
  char rate[64];
  std::snprintf(rate, sizeof rate, "%.1f s, %.0f rows/s", seconds,
                seconds > 0 ? static_cast<double>(rows) / seconds : 0.0);
  ctx.err << "sfxcat generate: done in " << rate << "\n";
  ctx.out << rows << " rows added; " << table.RowCount() << " rows in " << where.Describe() << "\n";
  return 0;
}

const CommandRegistrar registrar({
    "generate",
    "add synthetic rows (for benchmarks)",
    "--rows N [--seed S]",
    "Adds N rows spread evenly over the nine categories, with varied titles (unique, ending in\n"
    "a serial number) and keywords, each with a short generated 8-bit WAV (10 to 50 ms of a\n"
    "tone, a chirp or noise). The same seed gives the same rows. Progress goes to standard\n"
    "error.",
    {{"rows", "N", "how many rows to add (1 to 100,000,000)"},
     {"seed", "S", "seed of the random choices (default 1)"}},
    true,
    RunGenerate,
});

} // namespace
} // namespace sfxcat
