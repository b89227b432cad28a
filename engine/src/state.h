// The engine's state: sessions, databases, cursors and their handles, the
// configuration, and the use count of EngInitFn/EngExit.
#pragma once

#include "engine/include/dbeng.h"
#include "engine/src/config.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dbeng {

struct CallbackReg {
  uint64_t client = 0;
  uint16_t bufLen = 0;
  void *buf = nullptr;
  EngCallbackFn fn = nullptr;
};

struct Session {
  hEngSession handle = 0;
  std::string name;
  std::vector<std::string> passwords;
  std::string netDir;
  std::string privateDir;
  uint16_t cfgMode = ENG_CFGMODE_ALL;
  std::map<uint16_t, CallbackReg> callbacks;
};

struct Database {
  hEngDb handle = 0;
  hEngSession session = 0;
  std::string alias;
  std::string dir;
  std::string type = "STANDARD";
  std::string password;
  bool readOnly = false;
  uint16_t flag4 = 0, flag5 = 0;
  uint32_t trace = 0;
};

// What every cursor offers: table cursors and the list cursors of
// configuration entries, field descriptors and validity checks.
class CursorBase {
public:
  virtual ~CursorBase() = default;
  hEngCursor handle = 0;
  hEngSession session = 0;
  hEngDb database = 0;

  virtual DBResult Properties(EngCurProps *props) = 0;
  virtual DBResult SetToBegin() = 0;
  virtual DBResult SetToEnd() = 0;
  virtual DBResult Next(uint16_t lock, void *rec, EngRecProps *props) = 0;
  virtual DBResult Prior(uint16_t lock, void *rec, EngRecProps *props) = 0;
  virtual DBResult Current(uint16_t lock, void *rec, EngRecProps *props) = 0;
};

// A cursor over records held in memory.
class ListCursor : public CursorBase {
public:
  ListCursor(std::string driverType, uint16_t recordSize)
      : driverType_(std::move(driverType)), recordSize_(recordSize) {}
  void Add(const void *record, size_t size);

  DBResult Properties(EngCurProps *props) override;
  DBResult SetToBegin() override;
  DBResult SetToEnd() override;
  DBResult Next(uint16_t lock, void *rec, EngRecProps *props) override;
  DBResult Prior(uint16_t lock, void *rec, EngRecProps *props) override;
  DBResult Current(uint16_t lock, void *rec, EngRecProps *props) override;
  size_t Count() const { return rows_.size(); }

private:
  std::string driverType_;
  uint16_t recordSize_;
  std::vector<std::vector<uint8_t>> rows_;
  long pos_ = -1; // -1 before the first, size() after the last
};

struct Engine {
  unsigned uses = 0;
  std::string workDir;
  Config config;
  std::map<uint32_t, std::unique_ptr<Session>> sessions;
  std::map<uint32_t, std::unique_ptr<Database>> databases;
  std::map<uint32_t, std::unique_ptr<CursorBase>> cursors;
  hEngSession defaultSession = 0;
  hEngSession current = 0;
  uint32_t serial = 0;
  uint32_t clientTimeout = 0;
};

Engine &Eng();
uint32_t NewHandle(uint32_t kind);

// Lookups that fail with DBENG_ERR_INVALIDHNDL (or DBENG_ERR_NOTINIT).
DBResult CheckInit();
Session *CurrentSession();
Session *FindSession(hEngSession h);
Database *FindDatabase(hEngDb h);
CursorBase *FindCursor(hEngCursor h);

// Closes a cursor / database / session with everything that depends on it.
void CloseCursor(hEngCursor h);
void CloseDatabase(hEngDb h);
void CloseSession(hEngSession h);
void ShutDown();

// The configuration file to read: $DBENG_CONFIG, else
// $XDG_CONFIG_HOME/bonussfx/dbeng.cfg (~/.config when unset), else dbeng.cfg
// beside the library.
std::string ConfigFilePath(const EngEnv *env);

} // namespace dbeng
