// Start and end of the engine: interface version check, use count, the
// default session, the configuration, and the helper thread that ends read
// transactions once the tables have been idle for a while.
#include "engine/src/core.h"
#include "engine/src/state.h"
#include "engine/src/table.h"

#include <condition_variable>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>

#define DBENG_EXPORT extern "C" __attribute__((visibility("default")))

using namespace dbeng;

namespace {

// Idle tables keep no read transaction for long: it would hold back the
// write-ahead log's checkpoints of other processes.
class IdleReaper {
public:
  // A program may end without ending the engine; the thread must not be
  // left running (a joinable thread at exit aborts the process).
  ~IdleReaper() { Stop(); }
  void Start() {
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
  }
  void Stop() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

private:
  void Run() {
    std::unique_lock<std::mutex> guard(mutex_);
    while (!stop_) {
      wake_.wait_for(guard, std::chrono::milliseconds(100));
      if (stop_) break;
      std::unique_lock<std::recursive_mutex> engine(EngineLock(), std::try_to_lock);
      if (engine.owns_lock()) EndIdleReads(std::chrono::milliseconds(200));
    }
  }

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
};

IdleReaper &Reaper() {
  static IdleReaper reaper;
  return reaper;
}

} // namespace

DBENG_EXPORT DBResult EngInitFn(uint16_t version, const EngEnv *env) {
  if (version != ENG_INTERFACE_VERSION) return DBENG_ERR_BADVERSIONREQ;
  DBResult rc = Guarded([&]() -> DBResult {
    Engine &e = Eng();
    // A second start is reported and not counted: its caller will not end it.
    if (e.uses > 0) return DBENG_ERR_ALREADYINIT;
    ++e.uses;
    char cwd[4096];
    e.workDir = env && env->workDir[0]    ? std::string(env->workDir, strnlen(env->workDir, 261))
                : getcwd(cwd, sizeof cwd) ? std::string(cwd)
                                          : std::string(".");
    e.config.LoadFile(ConfigFilePath(env));
    auto s = std::make_unique<Session>();
    s->handle = NewHandle(ENG_HKIND_SESSION);
    s->name = "Default";
    e.defaultSession = e.current = s->handle;
    e.sessions[s->handle] = std::move(s);
    return DBENG_OK;
  });
  if (rc == DBENG_OK) Reaper().Start();
  return rc;
}

DBENG_EXPORT DBResult EngExit() {
  bool last = false;
  DBResult rc = Guarded([&]() -> DBResult {
    Engine &e = Eng();
    if (e.uses == 0) return Fail(DBENG_ERR_NOTINIT);
    if (--e.uses == 0) last = true;
    return DBENG_OK;
  });
  if (last) {
    Reaper().Stop();
    std::lock_guard<std::recursive_mutex> guard(EngineLock());
    ShutDown();
  }
  return rc;
}

DBENG_EXPORT DBResult DLLINITFUNCTION(const EngDllInit *info) {
  return info && info->version == 1 ? DBENG_OK : DBENG_ERR_INVALIDPARAM;
}
