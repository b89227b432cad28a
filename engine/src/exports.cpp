// The library's exports by name: start, end, and the lookup of an operation's
// entry by its number.
#include "engine/src/operations.h"

#define DBENG_EXPORT extern "C" __attribute__((visibility("default")))

DBENG_EXPORT void *EngGetProc(uint16_t number) {
  switch (number) {
#define DBENG_CASE(name, num, args)                                                                \
  case num:                                                                                        \
    return reinterpret_cast<void *>(&eng_##name);
    DBENG_OPERATIONS(DBENG_CASE)
#undef DBENG_CASE
  default:
    return nullptr;
  }
}
