// A stand-in engine library for the binder's tests. It exports the entries
// by name, a lookup that knows exactly one operation (the current session,
// 72), and counters the tests read to see what the binder entered.
#include "engine/include/dbeng.h"

extern "C" {

static int g_inits, g_exits, g_dllinits, g_lookups, g_operations;

__attribute__((visibility("default"))) int FakeCounter(const char *what) {
  switch (what[0]) {
  case 'i':
    return g_inits;
  case 'e':
    return g_exits;
  case 'd':
    return g_dllinits;
  case 'l':
    return g_lookups;
  default:
    return g_operations;
  }
}

static DBResult FakeGetCurrentSession(hEngSession *phSes) {
  ++g_operations;
  *phSes = 0x01000001;
  return DBENG_OK;
}

#ifndef FAKE_NO_INIT
__attribute__((visibility("default"))) DBResult EngInitFn(uint16_t version, const EngEnv *) {
  ++g_inits;
  return version == ENG_INTERFACE_VERSION ? DBENG_OK : DBENG_ERR_NOTIMPL;
}
#endif

#ifndef FAKE_NO_EXIT
__attribute__((visibility("default"))) DBResult EngExit(void) {
  ++g_exits;
  return DBENG_OK;
}
#endif

__attribute__((visibility("default"))) void *EngGetProc(uint16_t number) {
  ++g_lookups;
  return number == ENG_OP_GETCURRENTSESSION ? reinterpret_cast<void *>(&FakeGetCurrentSession)
                                            : nullptr;
}

__attribute__((visibility("default"))) DBResult DLLINITFUNCTION(const EngDllInit *info) {
  if (info && info->version == 1) ++g_dllinits;
  return DBENG_OK;
}
}
