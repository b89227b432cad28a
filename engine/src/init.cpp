// Start and end of the engine: interface version check and use count.
#include "engine/include/dbeng.h"

#include <mutex>

#define DBENG_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex g_initLock;
unsigned g_uses = 0;
} // namespace

DBENG_EXPORT DBResult EngInitFn(uint16_t version, const EngEnv *) {
  if (version != ENG_INTERFACE_VERSION) return DBENG_ERR_BADVERSIONREQ;
  std::lock_guard<std::mutex> guard(g_initLock);
  if (g_uses++ > 0) return DBENG_ERR_ALREADYINIT;
  return DBENG_OK;
}

DBENG_EXPORT DBResult EngExit() {
  std::lock_guard<std::mutex> guard(g_initLock);
  if (g_uses == 0) return DBENG_ERR_NOTINIT;
  --g_uses;
  return DBENG_OK;
}

DBENG_EXPORT DBResult DLLINITFUNCTION(const EngDllInit *) {
  return DBENG_OK;
}
