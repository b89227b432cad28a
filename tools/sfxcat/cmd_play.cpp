// sfxcat play: plays a row's sound the way the catalogue window does, through
// the multimedia viewer and the media player, without showing a window, and
// waits for the end of the sound.
#include <QApplication>

#include <cstdio>
#include <memory>
#include <ostream>
#include <unistd.h>

#include "base/app_hooks.h"
#include "data/datasource.h"
#include "data/db_engine_error.h"
#include "data/session.h"
#include "data/table.h"
#include "media/media_player.h"
#include "media/pdb_multimedia.h"
#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat/terminal_prompt.h"

namespace sfxcat {
namespace {

// What became of the row: 0 with its length when the sound played to its
// end, else the message to show.
struct Outcome {
  int status = 0;
  std::uint32_t length = 0;
  std::string message;
};

Outcome PlayRow(const TableLocation &where, const std::string &title) {
  Outcome outcome;
  // Errors the viewer meets (a sound the device refuses) and its messages
  // (a blob it cannot make sense of) would go to a message box in the
  // window: here they become the command's message.
  std::string failure;
  SetApplicationExceptionHandler([&](const std::exception &e) { failure = e.what(); });
  TPDBMultiMedia::InfoMessageHook() = [&](const std::string &text) { failure = text; };
  struct HookReset {
    ~HookReset() {
      SetApplicationExceptionHandler(nullptr);
      TPDBMultiMedia::InfoMessageHook() = nullptr;
    }
  } hookReset;

  TComponent owner(nullptr);
  if (where.has_password) Session->AddPassword(where.password);
  auto *table = new TTable(&owner);
  table->SetDatabaseName(where.dir.empty() ? where.alias : where.dir);
  table->SetTableName(where.table);
  table->SetReadOnly(true);
  table->SetIndexFieldNames("TITLE");
  table->Open();
  if (!table->FindKey({TVariant(title)}))
    throw Exception("no row has the title \"" + title + "\" in " + where.Describe());

  // The viewer is bound once the table stands on the row, so only that
  // row's sound is loaded, as the window loads the row it moves to.
  auto *source = new TDataSource(&owner);
  source->SetDataSet(table);
  auto *player = new TPDBMediaPlayer(&owner);
  player->SetVisibleButtons(Buttons({btPlay, btPause, btStop}));
  auto *viewer = new TPDBMultiMedia(&owner);
  viewer->SetMediaPlayer(player);
  viewer->SetDataField("WAV");
  viewer->SetDataSource(source);

  if (viewer->Banner().Running() != TBanner::None) failure = viewer->Banner().Text();
  if (!player->Opened() || !(player->AutoButtons() & ButtonBit(btPlay))) {
    outcome.status = 1;
    outcome.message = failure.empty() ? "the row \"" + title + "\" holds no sound" : failure;
    table->Close();
    return outcome;
  }
  // The end of the sound arrives as the player's completion notice.
  bool ended = false;
  player->OnNotify = [&](TObject *) {
    if (player->Mode() == mpPlaying || player->Mode() == mpPaused) return;
    ended = true;
    QCoreApplication::exit(player->NotifyValue() == nvSuccessful ? 0 : 1);
  };
  player->Play();
  if (player->Error() != 0) throw EMCIDeviceError(player->ErrorMessage());
  outcome.length = player->Length();
  outcome.status = ended ? 0 : QCoreApplication::exec();
  if (outcome.status != 0) outcome.message = "the sound did not play to its end";
  player->OnNotify = nullptr;
  player->Close();
  table->Close();
  return outcome;
}

int RunPlay(CommandContext &ctx) {
  if (!ctx.args.Positional().empty())
    throw EUsageError("unexpected argument \"" + ctx.args.Positional()[0] + "\"");
  if (!ctx.args.Has("title")) throw EUsageError("play needs --title TITLE");
  const std::string title = ctx.args.Get("title");
  TableLocation where = TableLocation::FromArgs(ctx.args);

  // The controls need an application object; nothing is shown.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "sfxcat";
  static char *argv[] = {name, nullptr};
  std::unique_ptr<QApplication> app;
  if (!QCoreApplication::instance()) app = std::make_unique<QApplication>(argc, argv);

  InstallTerminalPrompts();
  Outcome outcome;
  std::string error;
  try {
    outcome = PlayRow(where, title);
  } catch (const EDatabaseError &e) {
    // What the window's message box shows: the message and a full stop.
    error = e.Message() + ".";
  } catch (const Exception &e) {
    error = e.Message();
  } catch (const std::exception &e) {
    error = e.what();
  }
  try {
    if (Session != nullptr) Session->Close();
  } catch (...) {
  }
  if (!error.empty()) {
    outcome.status = 1;
    outcome.message = error;
  }
  if (outcome.status == 0)
    ctx.out << outcome.length << "\n";
  else
    ctx.err << "sfxcat play: " << outcome.message << "\n";
  ctx.out.flush();
  ctx.err.flush();
  std::fflush(nullptr);
  // Qt's audio layer may crash in its static destructors once a sound server
  // has been used: the tables are closed and the output flushed, so leave
  // without running them.
  ::_exit(ctx.out ? outcome.status : 1);
}

const CommandRegistrar kPlay(Command{
    "play",
    "play a row's sound and print its length in milliseconds",
    "--title TITLE",
    "Plays the sound of the row with that title through the same viewer and\n"
    "player as the catalogue window, waits until it has ended and prints its\n"
    "length in milliseconds. Without an audio device (or with\n"
    "BSFX_AUDIO_OUTPUT=silent) the sound plays silently in real time.\n",
    {{"title", "TITLE", "the title of the row to play"}},
    true,
    RunPlay,
});

} // namespace
} // namespace sfxcat
