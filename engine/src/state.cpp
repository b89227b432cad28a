#include "engine/src/state.h"

#include "engine/src/core.h"
#include "engine/src/table.h"

#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbeng {

void ListCursor::Add(const void *record, size_t size) {
  std::vector<uint8_t> row(recordSize_, 0);
  std::memcpy(row.data(), record, size < recordSize_ ? size : recordSize_);
  rows_.push_back(std::move(row));
}

DBResult ListCursor::Properties(EngCurProps *props) {
  *props = EngCurProps{};
  CopyText(props->driverType, sizeof props->driverType, driverType_);
  CopyText(props->languageDriver, sizeof props->languageDriver, "UTF8");
  props->recordSize = recordSize_;
  props->bookmarkSize = ENG_BOOKMARK_SIZE;
  props->openMode = ENG_OPEN_READONLY;
  return DBENG_OK;
}

DBResult ListCursor::SetToBegin() {
  pos_ = -1;
  return DBENG_OK;
}

DBResult ListCursor::SetToEnd() {
  pos_ = static_cast<long>(rows_.size());
  return DBENG_OK;
}

DBResult ListCursor::Next(uint16_t, void *rec, EngRecProps *props) {
  if (pos_ + 1 >= static_cast<long>(rows_.size())) {
    pos_ = static_cast<long>(rows_.size());
    return DBENG_ERR_EOF;
  }
  ++pos_;
  return Current(0, rec, props);
}

DBResult ListCursor::Prior(uint16_t, void *rec, EngRecProps *props) {
  if (pos_ <= 0) {
    pos_ = -1;
    return DBENG_ERR_BOF;
  }
  --pos_;
  return Current(0, rec, props);
}

DBResult ListCursor::Current(uint16_t, void *rec, EngRecProps *props) {
  if (pos_ < 0 || pos_ >= static_cast<long>(rows_.size())) return Fail(DBENG_ERR_NOCURRREC);
  if (rec) std::memcpy(rec, rows_[static_cast<size_t>(pos_)].data(), recordSize_);
  if (props) {
    *props = EngRecProps{};
    props->physRecNum = static_cast<uint32_t>(pos_ + 1);
    props->rowId = pos_ + 1;
  }
  return DBENG_OK;
}

Engine &Eng() {
  static Engine engine;
  return engine;
}

uint32_t NewHandle(uint32_t kind) {
  Engine &e = Eng();
  e.serial = (e.serial + 1) & 0x00FFFFFFu;
  if (e.serial == 0) e.serial = 1;
  return (kind << 24) | e.serial;
}

DBResult CheckInit() {
  return Eng().uses > 0 ? DBENG_OK : Fail(DBENG_ERR_NOTINIT);
}

Session *FindSession(hEngSession h) {
  auto it = Eng().sessions.find(h);
  return it == Eng().sessions.end() ? nullptr : it->second.get();
}

Session *CurrentSession() {
  return FindSession(Eng().current);
}

Database *FindDatabase(hEngDb h) {
  auto it = Eng().databases.find(h);
  return it == Eng().databases.end() ? nullptr : it->second.get();
}

CursorBase *FindCursor(hEngCursor h) {
  auto it = Eng().cursors.find(h);
  return it == Eng().cursors.end() ? nullptr : it->second.get();
}

void CloseCursor(hEngCursor h) {
  Eng().cursors.erase(h);
}

void CloseDatabase(hEngDb h) {
  Engine &e = Eng();
  for (auto it = e.cursors.begin(); it != e.cursors.end();)
    it = it->second->database == h ? e.cursors.erase(it) : std::next(it);
  e.databases.erase(h);
}

void CloseSession(hEngSession h) {
  Engine &e = Eng();
  for (auto it = e.cursors.begin(); it != e.cursors.end();)
    it = it->second->session == h ? e.cursors.erase(it) : std::next(it);
  for (auto it = e.databases.begin(); it != e.databases.end();)
    it = it->second->session == h ? e.databases.erase(it) : std::next(it);
  e.sessions.erase(h);
  if (e.current == h) e.current = e.defaultSession;
}

void ShutDown() {
  Engine &e = Eng();
  e.cursors.clear();
  e.databases.clear();
  e.sessions.clear();
  e.defaultSession = e.current = 0;
  e.config.Clear();
  CloseAllTableFiles();
}

std::string ConfigFilePath(const EngEnv *env) {
  if (env && env->configFile[0]) return std::string(env->configFile, strnlen(env->configFile, 261));
  if (const char *p = std::getenv("DBENG_CONFIG"); p && *p) return p;
  std::string xdg;
  if (const char *p = std::getenv("XDG_CONFIG_HOME"); p && *p)
    xdg = p;
  else if (const char *home = std::getenv("HOME"); home && *home)
    xdg = std::string(home) + "/.config";
  if (!xdg.empty()) {
    std::string candidate = xdg + "/bonussfx/dbeng.cfg";
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0) return candidate;
  }
  Dl_info info;
  if (dladdr(reinterpret_cast<void *>(&ConfigFilePath), &info) && info.dli_fname) {
    std::string lib = info.dli_fname;
    size_t slash = lib.rfind('/');
    if (slash != std::string::npos) return lib.substr(0, slash) + "/dbeng.cfg";
  }
  return "dbeng.cfg";
}

} // namespace dbeng
