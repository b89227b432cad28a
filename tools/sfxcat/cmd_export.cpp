// sfxcat export: the sounds of the catalogue written back to WAV files, one
// row found by its title or every row into a folder, through the blob field
// the way the window's File, Save writes the current row's sound.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <sys/stat.h>

#include "data/field.h"
#include "data/table.h"
#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat/naming.h"
#include "tools/sfxcat/table_selection.h"

namespace sfxcat {
namespace {

// Catalogues with at least this many rows get progress reports.
constexpr uint32_t kProgressRows = 1000;

TBlobField &WavField(TTable &table) {
  auto *wav = dynamic_cast<TBlobField *>(table.FieldByName("WAV"));
  if (!wav) throw Exception("the field WAV of " + table.TableName() + " does not hold sounds");
  return *wav;
}

uint32_t TotalRows(TTable &table) {
  uint32_t count = 0;
  if (EngineGetRecordCount(table.Handle(), &count) != DBENG_OK) return 0;
  return count;
}

// The files the engine keeps the open table in: writing over one of them
// would destroy the catalogue being read.
class TableFiles {
public:
  explicit TableFiles(TTable &table) {
    EngCurProps props{};
    if (EngineGetCursorProperties(table.Handle(), &props) != DBENG_OK) return;
    const std::string path(props.fullName, strnlen(props.fullName, sizeof props.fullName));
    for (const std::string &name : {path, path + "-wal", path + "-shm", path + "-journal"}) {
      struct stat st {};
      if (::stat(name.c_str(), &st) == 0) files_.push_back({st.st_dev, st.st_ino});
    }
  }
  bool Holds(const std::string &target) const {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return false;
    for (const auto &[dev, ino] : files_)
      if (st.st_dev == dev && st.st_ino == ino) return true;
    return false;
  }

private:
  std::vector<std::pair<dev_t, ino_t>> files_;
};

// Writes the current row's sound to `path`. A file that cannot be created
// raises "Cannot create file <path>"; any later failure removes the partly
// written file and names it in the message.
void SaveWav(TTable &table, const TableFiles &guard, const std::string &path) {
  if (guard.Holds(path))
    throw Exception(path + " is the catalogue table itself; choose another file");
  try {
    WavField(table).SaveToFile(path);
  } catch (const EFCreateError &) {
    throw;
  } catch (const Exception &e) {
    std::remove(path.c_str());
    throw Exception(path + ": " + e.Message());
  }
}

int ExportOne(CommandContext &ctx, const std::string &title, const std::string &file) {
  if (title.empty()) throw EUsageError("--title needs a title that is not empty");
  const TableLocation where = TableLocation::FromArgs(ctx.args);
  WithCatalogueTable(ctx.args, nullptr, [&](TTable &table) {
    // A key longer than the title field is cut to its width and could find
    // another row; only a row whose title is exactly TITLE counts.
    if (!table.FindKey({TVariant(title)}) || table.FieldByName("TITLE")->AsString() != title)
      throw Exception("no sound titled \"" + title + "\" in " + where.Describe());
    SaveWav(table, TableFiles(table), file);
  });
  return 0;
}

int ExportAll(CommandContext &ctx, const std::string &folder) {
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  long long written = 0, failed = 0, total = 0;
  WithCatalogueTable(ctx.args, nullptr, [&](TTable &table) {
    // The folder is made once the catalogue is open, so a wrong location
    // leaves nothing behind.
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder))
      throw Exception("cannot create the folder " + folder +
                      (ec ? ": " + ec.message() : ": a file of that name is in the way"));
    const TableFiles guard(table);
    total = TotalRows(table);
    const bool report = total >= kProgressRows;
    const bool tty = report && isatty(STDERR_FILENO);
    auto last_report = std::chrono::steady_clock::now();
    long long next_line = total / 10, done = 0;
    ExportNames names;
    for (table.First(); !table.Eof(); table.Next()) {
      const std::string title = table.FieldByName("TITLE")->AsString();
      const std::string path = prefix + names.Take(title);
      try {
        SaveWav(table, guard, path);
        ctx.out << EscapeCell(title) << '\t' << path << '\n';
        ++written;
      } catch (const Exception &e) {
        ctx.err << (tty ? "\r" : "") << "sfxcat export: " << e.Message() << "\n";
        ++failed;
      }
      ++done;
      if (!report) continue;
      auto now = std::chrono::steady_clock::now();
      if (tty ? now - last_report > std::chrono::milliseconds(500) : done >= next_line) {
        last_report = now;
        next_line = done + std::max(1LL, total / 10);
        ctx.err << (tty ? "\r" : "") << "sfxcat export: " << done << " of " << total << " rows ("
                << done * 100 / std::max(1LL, total) << "%)" << (tty ? "" : "\n") << std::flush;
      }
    }
    if (tty) ctx.err << "\n";
    total = done;
  });
  if (total == 0) ctx.err << "sfxcat export: the catalogue is empty; no files written\n";
  if (failed > 0) {
    ctx.err << "sfxcat export: " << written << " of " << total << " files written, " << failed
            << " could not be\n";
    return 1;
  }
  return 0;
}

int RunExport(CommandContext &ctx) {
  const bool all = ctx.args.Has("all");
  if (all == ctx.args.Has("title"))
    throw EUsageError("give either --title TITLE FILE or --all FOLDER");
  const std::vector<std::string> &words = ctx.args.Positional();
  if (words.empty())
    throw EUsageError(all ? "--all needs the FOLDER to write into"
                          : "the FILE to write is missing");
  if (words.size() > 1) throw EUsageError("unexpected argument \"" + words[1] + "\"");
  if (words[0].empty()) throw EUsageError(all ? "the FOLDER is empty" : "the FILE name is empty");
  return all ? ExportAll(ctx, words[0]) : ExportOne(ctx, ctx.args.Get("title"), words[0]);
}

const CommandRegistrar kExport(Command{
    "export",
    "write sounds of the catalogue to WAV files",
    "(--title TITLE FILE | --all FOLDER)",
    "Opens the catalogue through the dataset layer, as the window does, and\n"
    "writes sounds out byte for byte, as File, Save does.\n"
    "\n"
    "--title TITLE FILE writes the sound of the row titled exactly TITLE into\n"
    "FILE (created, or overwritten when it exists). When no row has that title\n"
    "nothing is written and the status is 1.\n"
    "\n"
    "--all FOLDER writes every row into FOLDER (created when missing), one file\n"
    "per row named after its title: '/' and control characters become '_', a\n"
    "leading '.' becomes '_', and \".wav\" is appended; titles that give the same\n"
    "name get \" (2)\", \" (3)\", ... Each file written is listed on standard\n"
    "output as TITLE<tab>FILE. A file that cannot be written is named on\n"
    "standard error and the others are still written; the status is then 1.\n"
    "Large catalogues report progress on standard error.\n",
    {{"title", "TITLE", "write the sound of the row titled TITLE into FILE"},
     {"all", "", "write the sound of every row into FOLDER"}},
    true,
    RunExport});

} // namespace
} // namespace sfxcat
