#include "data/db_engine_error.h"

#include <cstring>

#include "base/format.h"
#include "data/engine/engine_api.h"
#include "data/engine_text.h"
#include "data/session.h"

std::string NormalizeEngineText(std::string_view text) {
  std::string out;
  bool pending_space = false;
  for (char ch : text) {
    if (static_cast<unsigned char>(ch) <= ' ') {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out += ' ';
    pending_space = false;
    out += ch;
  }
  if (!out.empty() && out.back() == '.') out.pop_back();
  return out;
}

std::string JoinEngineTexts(uint16_t error_code, std::string_view top,
                            const std::vector<std::string> &entries) {
  const std::string first = NormalizeEngineText(top);
  std::string message = first.empty() ? Format(msg::kEngineError, {error_code}) : first;
  for (const std::string &entry : entries) {
    std::string text = NormalizeEngineText(entry);
    if (!text.empty() && text != first) message = Format("%s. %s", {message, text});
  }
  return message;
}

EDBEngineError::EDBEngineError(uint16_t error_code) : EDatabaseError("") {
  if (!DefaultSessionActive()) {
    std::string text = Format(msg::kInitError, {error_code});
    errors_.emplace_back(error_code, 0, text);
    SetMessage(text);
    return;
  }
  char buffer[ENG_MAXMSGLEN + 1] = {};
  EngineGetErrorString(error_code, buffer);
  std::string raw = FromBuffer(buffer, sizeof buffer);
  errors_.emplace_back(error_code, 0, raw);
  std::vector<std::string> entries;
  for (uint16_t n = 1; n < 0xFFFF; ++n) {
    DBResult code = 0;
    int32_t native = 0;
    char entry[ENG_MAXMSGLEN + 1] = {};
    EngineGetErrorEntry(n, &code, &native, entry);
    if (code == 0 || code == DBENG_ERR_INITNOTEXPORTED) break;
    entries.push_back(FromBuffer(entry, sizeof entry));
    errors_.emplace_back(code, native, entries.back());
  }
  std::string message = JoinEngineTexts(error_code, raw, entries);
  SetMessage(message);
}

void DbiError(uint16_t error_code) {
  StopDatabaseWaitTimer();
  throw EDBEngineError(error_code);
}

void CheckOpenIndex(uint16_t result) {
  if (result != 0 && result != DBENG_ERR_INDEXOPEN) DbiError(result);
}
