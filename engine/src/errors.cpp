// Error texts and the error stack.
#include "engine/src/core.h"
#include "engine/src/operations.h"

#include <cstdio>
#include <vector>

namespace dbeng {

namespace {

thread_local std::vector<ErrorEntry> t_errors;

struct CodeTextEntry {
  DBResult code;
  const char *text;
};

const CodeTextEntry kTexts[] = {
    {DBENG_OK, "Operation succeeded"},
    {DBENG_ERR_SYSTEM, "Operating system error"},
    {DBENG_ERR_DIRNOTFOUND, "Directory does not exist"},
    {DBENG_ERR_FILENOTFOUND, "Table does not exist"},
    {DBENG_ERR_IO, "Input/output error on the table file"},
    {DBENG_ERR_DISKFULL, "Disk is full"},
    {DBENG_ERR_FILEEXISTS, "Table already exists"},
    {DBENG_ERR_LIBNOTFOUND, "Engine library not found"},
    {DBENG_ERR_LIBNOTLOADED, "Engine library could not be loaded"},
    {DBENG_ERR_LAZYLIBNOTLOADED, "Engine library could not be loaded for an operation"},
    {DBENG_ERR_BOF, "At beginning of table"},
    {DBENG_ERR_EOF, "At end of table"},
    {DBENG_ERR_KEYNOTFOUND, "Record with this key not found"},
    {DBENG_ERR_NOCURRREC, "No current record"},
    {DBENG_ERR_RECDELETED, "Record no longer exists"},
    {DBENG_ERR_ENDOFBLOB, "End of blob"},
    {DBENG_ERR_OBJNOTFOUND, "Object not found"},
    {DBENG_ERR_UNKNOWNDB, "Unknown database"},
    {DBENG_ERR_NOCONFIGENTRY, "Configuration entry not found"},
    {DBENG_ERR_CORRUPT, "Table file is corrupt"},
    {DBENG_ERR_NOTATABLE, "File is not a table"},
    {DBENG_ERR_BADVERSION, "Table file has an unknown format version"},
    {DBENG_ERR_NOMEMORY, "Not enough memory"},
    {DBENG_ERR_TOOMANY, "Too many open objects"},
    {DBENG_ERR_KEYVIOL, "Key violation"},
    {DBENG_ERR_REQUIRED, "Field value required"},
    {DBENG_ERR_MINVAL, "Field value below minimum"},
    {DBENG_ERR_MAXVAL, "Field value above maximum"},
    {DBENG_ERR_INVALIDPARAM, "Invalid parameter"},
    {DBENG_ERR_INVALIDHNDL, "Invalid handle"},
    {DBENG_ERR_INVALIDFIELD, "Invalid field number"},
    {DBENG_ERR_INVALIDDESC, "Invalid table description"},
    {DBENG_ERR_INVALIDBOOKMARK, "Invalid bookmark"},
    {DBENG_ERR_NOTABLOB, "Field is not a blob field"},
    {DBENG_ERR_BLOBNOTOPEN, "Blob is not open"},
    {DBENG_ERR_NOTSUPPORTED, "Operation not supported"},
    {DBENG_ERR_INVALIDFILTER, "Invalid filter expression"},
    {DBENG_ERR_BLOBSTALE, "Blob changed while it was read"},
    {DBENG_ERR_INDEXOPEN, "Index is already open"},
    {DBENG_ERR_NOTEXPORTED, "Operation not available in the engine library"},
    {DBENG_ERR_RECLOCKED, "Record locked by another user"},
    {DBENG_ERR_TABLELOCKED, "Table is locked by another user"},
    {DBENG_ERR_BUSY, "Table is busy"},
    {DBENG_ERR_NOTLOCKED, "Record not locked"},
    {DBENG_ERR_NOTSUFRIGHTS, "Wrong password"},
    {DBENG_ERR_NEEDPASSWORD, "Insufficient password"},
    {DBENG_ERR_NOTINIT, "Engine not initialized"},
    {DBENG_ERR_BADVERSIONREQ, "Unsupported engine interface version"},
    {DBENG_ERR_ABORTED, "Operation aborted"},
    {DBENG_ERR_NOTIMPL, "Operation not implemented yet"},
    {DBENG_ERR_INITNOTEXPORTED, "Engine start entry not available"},
    {DBENG_ERR_ALREADYINIT, "Engine already initialized"},
    {DBENG_ERR_READONLY, "Table is read only"},
    {DBENG_ERR_NOTEDITING, "Table was opened read only"},
};

} // namespace

void ClearErrors() {
  t_errors.clear();
}

void PushError(DBResult code, int32_t native, std::string text) {
  t_errors.push_back({code, native, std::move(text)});
}

const ErrorEntry *ErrorAt(size_t index) {
  return index < t_errors.size() ? &t_errors[index] : nullptr;
}

DBResult Fail(DBResult code, std::string detail) {
  t_errors.clear();
  t_errors.push_back({code, 0, std::move(detail)});
  return code;
}

DBResult AddCause(DBResult code, int32_t native, std::string text) {
  t_errors.push_back({code, native, std::move(text)});
  return code;
}

const char *CodeText(DBResult code) {
  for (const CodeTextEntry &e : kTexts)
    if (e.code == code) return e.text;
  return nullptr;
}

std::recursive_mutex &EngineLock() {
  static std::recursive_mutex lock;
  return lock;
}

size_t Utf8Cut(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  size_t n = maxBytes;
  // Step back over continuation bytes to the start of the cut character.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
    --n;
  return n;
}

bool CopyText(char *dst, size_t size, std::string_view text) {
  if (size == 0) return !text.empty();
  size_t n = Utf8Cut(text, size - 1);
  if (n) std::memcpy(dst, text.data(), n); // an empty view may have no data at all
  dst[n] = '\0';
  return n < text.size();
}

} // namespace dbeng

using namespace dbeng;

extern "C" {

DBResult eng_GetErrorString(DBResult code, char *msg) {
  if (!msg) return DBENG_ERR_INVALIDPARAM;
  const char *text = CodeText(code);
  char fallback[64];
  if (!text) {
    std::snprintf(fallback, sizeof fallback, "Engine error %u", static_cast<unsigned>(code));
    text = fallback;
  }
  CopyText(msg, ENG_MAXMSGLEN + 1, text);
  return DBENG_OK;
}

// Does not clear the stack: it reads what the last failed operation left.
DBResult eng_GetErrorEntry(uint16_t entry, DBResult *code, int32_t *native, char *msg) {
  const ErrorEntry *e = entry >= 1 ? ErrorAt(entry - 1) : nullptr;
  if (code) *code = e ? e->code : 0;
  if (native) *native = e ? e->native : 0;
  if (msg) CopyText(msg, ENG_MAXMSGLEN + 1, e ? e->text : std::string_view());
  return DBENG_OK;
}

} // extern "C"
