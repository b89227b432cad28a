// Shared machinery of the engine's operations: the engine lock, the error
// stack, and the guard that every exported operation runs inside so that no
// exception crosses the C interface.
#pragma once

#include "engine/include/dbeng.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

namespace dbeng {

// One entry of the error stack: the code, the storage's own error number
// (0 when none) and a text saying what happened.
struct ErrorEntry {
  DBResult code;
  int32_t native;
  std::string text;
};

// The error stack of the calling thread, describing its last failed
// operation. Cleared when an operation starts.
void ClearErrors();
void PushError(DBResult code, int32_t native, std::string text);
const ErrorEntry *ErrorAt(size_t index); // 0-based; null past the end

// Fails with `code`, recording `detail` (may be empty) as the first entry.
DBResult Fail(DBResult code, std::string detail = {});
// Adds a cause below the entries recorded so far and returns `code`.
DBResult AddCause(DBResult code, int32_t native, std::string text);

// The fixed text of a result code (at most 127 bytes).
const char *CodeText(DBResult code);

// Engine-wide lock: the engine's state is shared by every session and cursor
// of the process. Recursive, because record-filter callbacks may call back
// into the engine from inside an operation.
std::recursive_mutex &EngineLock();

// Runs `body` under the engine lock with a fresh error stack; exceptions
// become result codes.
template <typename Body> DBResult Guarded(Body &&body) noexcept {
  try {
    std::lock_guard<std::recursive_mutex> guard(EngineLock());
    ClearErrors();
    return body();
  } catch (const std::bad_alloc &) {
    return Fail(DBENG_ERR_NOMEMORY);
  } catch (const std::exception &e) {
    return Fail(DBENG_ERR_SYSTEM, e.what());
  } catch (...) {
    return Fail(DBENG_ERR_SYSTEM);
  }
}

// Copies `text` into a fixed buffer of `size` bytes, zero-terminated, cut
// without splitting a UTF-8 character. Returns true when cut.
bool CopyText(char *dst, size_t size, std::string_view text);

// Length of the longest prefix of `text` of at most `maxBytes` bytes that
// does not end inside a UTF-8 character.
size_t Utf8Cut(std::string_view text, size_t maxBytes);

} // namespace dbeng
