// Binder of the engine library: loads libdbeng.so at run time, starts and
// ends the engine, and binds every other operation lazily through a slot
// table, by operation number, via the library's lookup export.
#include "data/engine/engine_api.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>

namespace {

constexpr const char *kLibraryName = "libdbeng.so";
constexpr const char *kClientTag = "BSF";

enum Slot : size_t {
  kGetCurrentSession,
  kStartSession,
  kSetCurrentSession,
  kCloseSession,
  kAddPassword,
  kDropPassword,
  kSetPrivateDir,
  kGetSessionInfo,
  kOpenDatabase,
  kCloseDatabase,
  kSetDirectory,
  kFormFullName,
  kGetDatabaseDescriptor,
  kGetDatabaseDriverName,
  kGetTableDriverName,
  kOpenConfigList,
  kAddConfigEntry,
  kDropConfigEntry,
  kFindConfigEntry,
  kGetProperty,
  kSetProperty,
  kGetObjectByName,
  kGetLanguageDriver,
  kLoadLanguageDriver,
  kUnloadLanguageDriver,
  kNativeToAnsi,
  kAnsiToNative,
  kOpenTable,
  kCloseCursor,
  kGetCursorProperties,
  kGetFieldDescriptors,
  kGetValidityCheck,
  kGetIndexDescriptor,
  kGetIndexDescriptors,
  kOpenFieldList,
  kOpenValidityList,
  kOpenIndex,
  kCloseIndex,
  kSwitchToIndex,
  kCloneCursor,
  kSetToBegin,
  kSetToEnd,
  kSetToCursor,
  kGetNextRecord,
  kGetPriorRecord,
  kGetRecord,
  kGetRecordCount,
  kGetSequenceNumber,
  kGetBookmark,
  kSetToBookmark,
  kForceReread,
  kInitRecord,
  kInsertRecord,
  kModifyRecord,
  kDeleteRecord,
  kReleaseRecordLock,
  kGetField,
  kPutField,
  kExtractKey,
  kGetRecordForKey,
  kSetToKey,
  kSetRange,
  kResetRange,
  kAddFilter,
  kDropFilter,
  kActivateFilter,
  kDeactivateFilter,
  kOpenBlob,
  kGetBlobSize,
  kGetBlob,
  kPutBlob,
  kTruncateBlob,
  kFreeBlob,
  kGetErrorString,
  kGetErrorEntry,
  kRegisterCallback,
  kGetCallback,
  kBeginCachedUpdates,
  kEndCachedUpdates,
  kCreateTable,
  kChangeTablePassword,
  kSlotCount
};

const engine_binder::SlotInfo kSlotInfo[kSlotCount] = {
    {72, "EngineGetCurrentSession"},
    {70, "EngineStartSession"},
    {71, "EngineSetCurrentSession"},
    {73, "EngineCloseSession"},
    {74, "EngineAddPassword"},
    {75, "EngineDropPassword"},
    {78, "EngineSetPrivateDir"},
    {125, "EngineGetSessionInfo"},
    {4, "EngineOpenDatabase"},
    {5, "EngineCloseDatabase"},
    {32, "EngineSetDirectory"},
    {297, "EngineFormFullName"},
    {83, "EngineGetDatabaseDescriptor"},
    {871, "EngineGetDatabaseDriverName"},
    {832, "EngineGetTableDriverName"},
    {1063, "EngineOpenConfigList"},
    {402, "EngineAddConfigEntry"},
    {405, "EngineDropConfigEntry"},
    {407, "EngineFindConfigEntry"},
    {1071, "EngineGetProperty"},
    {1072, "EngineSetProperty"},
    {1073, "EngineGetObjectByName"},
    {293, "EngineGetLanguageDriver"},
    {789, "EngineLoadLanguageDriver"},
    {808, "EngineUnloadLanguageDriver"},
    {1069, "EngineNativeToAnsi"},
    {1070, "EngineAnsiToNative"},
    {6, "EngineOpenTable"},
    {12, "EngineCloseCursor"},
    {7, "EngineGetCursorProperties"},
    {9, "EngineGetFieldDescriptors"},
    {1097, "EngineGetValidityCheck"},
    {215, "EngineGetIndexDescriptor"},
    {1067, "EngineGetIndexDescriptors"},
    {36, "EngineOpenFieldList"},
    {38, "EngineOpenValidityList"},
    {212, "EngineOpenIndex"},
    {213, "EngineCloseIndex"},
    {214, "EngineSwitchToIndex"},
    {220, "EngineCloneCursor"},
    {13, "EngineSetToBegin"},
    {14, "EngineSetToEnd"},
    {15, "EngineSetToCursor"},
    {16, "EngineGetNextRecord"},
    {17, "EngineGetPriorRecord"},
    {18, "EngineGetRecord"},
    {21, "EngineGetRecordCount"},
    {25, "EngineGetSequenceNumber"},
    {217, "EngineGetBookmark"},
    {218, "EngineSetToBookmark"},
    {66, "EngineForceReread"},
    {221, "EngineInitRecord"},
    {22, "EngineInsertRecord"},
    {23, "EngineModifyRecord"},
    {24, "EngineDeleteRecord"},
    {62, "EngineReleaseRecordLock"},
    {2001, "EngineGetField"},
    {2002, "EnginePutField"},
    {216, "EngineExtractKey"},
    {254, "EngineGetRecordForKey"},
    {30, "EngineSetToKey"},
    {28, "EngineSetRange"},
    {29, "EngineResetRange"},
    {840, "EngineAddFilter"},
    {841, "EngineDropFilter"},
    {842, "EngineActivateFilter"},
    {843, "EngineDeactivateFilter"},
    {100, "EngineOpenBlob"},
    {101, "EngineGetBlobSize"},
    {102, "EngineGetBlob"},
    {103, "EnginePutBlob"},
    {104, "EngineTruncateBlob"},
    {105, "EngineFreeBlob"},
    {298, "EngineGetErrorString"},
    {300, "EngineGetErrorEntry"},
    {206, "EngineRegisterCallback"},
    {337, "EngineGetCallback"},
    {1163, "EngineBeginCachedUpdates"},
    {1162, "EngineEndCachedUpdates"},
    {2003, "EngineCreateTable"},
    {2004, "EngineChangeTablePassword"},
};

// The binder's lock, created once for the whole process.
std::mutex &BinderLock() {
  static std::mutex lock;
  return lock;
}

void *g_engineModule = nullptr; // the library loaded by EngineInit
unsigned g_useCount = 0;
void *g_lazyModule = nullptr; // the library the slots are bound to
std::array<std::atomic<void *>, kSlotCount> g_slots{};

std::string ProgramDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string JoinPath(const std::string &dir, const char *name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool FileExists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

enum class LoadFailure { None, NotFound, OutOfMemory, Other };

// Loads the engine library: from the program's folder, then from each folder
// of $DBENG_DLLPATH, then through the system's own search.
void *SearchAndLoad(LoadFailure *failure) {
  *failure = LoadFailure::NotFound;
  auto attempt = [&](const std::string &path) -> void * {
    void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module) return module;
    const char *why = dlerror();
    if (why && std::strstr(why, "annot allocate memory"))
      *failure = LoadFailure::OutOfMemory;
    else if (*failure != LoadFailure::OutOfMemory)
      *failure = LoadFailure::Other;
    return nullptr;
  };
  std::string candidate = JoinPath(ProgramDir(), kLibraryName);
  if (FileExists(candidate))
    if (void *m = attempt(candidate)) return m;
  if (const char *path = std::getenv("DBENG_DLLPATH")) {
    std::string list(path);
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      std::string dir = list.substr(start, end - start);
      if (!dir.empty()) {
        candidate = JoinPath(dir, kLibraryName);
        if (FileExists(candidate))
          if (void *m = attempt(candidate)) return m;
      }
      start = end + 1;
    }
  }
  void *module = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (module) return module;
  const char *why = dlerror();
  if (why && std::strstr(why, "annot allocate memory"))
    *failure = LoadFailure::OutOfMemory;
  else if (why && !std::strstr(why, "No such file") && *failure == LoadFailure::NotFound)
    *failure = LoadFailure::Other;
  return nullptr;
}

// Binds slot `slot`: obtains the library (the one EngineInit loaded, if any),
// looks the operation up by its number and stores the entry in the slot.
DBResult Bind(size_t slot, void **entry) {
  std::lock_guard<std::mutex> guard(BinderLock());
  if (void *bound = g_slots[slot].load(std::memory_order_acquire)) {
    *entry = bound;
    return DBENG_OK;
  }
  if (!g_lazyModule) {
    void *module = dlopen(kLibraryName, RTLD_NOW | RTLD_NOLOAD);
    if (!module) {
      LoadFailure failure;
      module = SearchAndLoad(&failure);
    }
    if (!module) return DBENG_ERR_LAZYLIBNOTLOADED;
    if (auto init = reinterpret_cast<EngDllInitFn>(dlsym(module, ENG_EXPORT_DLLINIT))) {
      EngDllInit info{1, "DBENG32.DLL", kClientTag};
      init(&info);
    }
    g_lazyModule = module;
  }
  auto lookup = reinterpret_cast<EngGetProcFn>(dlsym(g_lazyModule, ENG_EXPORT_GETPROC));
  if (!lookup) return DBENG_ERR_NOTEXPORTED;
  void *found = lookup(kSlotInfo[slot].number);
  if (!found) return DBENG_ERR_NOTEXPORTED;
  g_slots[slot].store(found, std::memory_order_release);
  *entry = found;
  return DBENG_OK;
}

template <typename Fn, typename... Args> DBResult CallSlot(size_t slot, Args... args) {
  void *entry = g_slots[slot].load(std::memory_order_acquire);
  if (!entry) {
    DBResult rc = Bind(slot, &entry);
    if (rc != DBENG_OK) return rc;
  }
  return reinterpret_cast<Fn>(entry)(args...);
}

} // namespace

DBResult EngineInit(const EngEnv *env) {
  std::unique_lock<std::mutex> guard(BinderLock());
  bool loadedHere = false;
  void *module = g_engineModule;
  if (!module) {
    LoadFailure failure;
    module = SearchAndLoad(&failure);
    if (!module) {
      switch (failure) {
      case LoadFailure::OutOfMemory:
        return DBENG_ERR_NOMEMORY;
      case LoadFailure::Other:
        return DBENG_ERR_LIBNOTLOADED;
      default:
        return DBENG_ERR_LIBNOTFOUND;
      }
    }
    loadedHere = true;
  }
  auto init = reinterpret_cast<EngInitFnFn>(dlsym(module, ENG_EXPORT_INIT));
  DBResult rc = init ? init(ENG_INTERFACE_VERSION, env) : DBENG_ERR_INITNOTEXPORTED;
  if (rc == DBENG_OK) {
    if (g_useCount == 0) g_engineModule = module;
    ++g_useCount;
    return DBENG_OK;
  }
  if (loadedHere) dlclose(module);
  return rc;
}

DBResult EngineExit() {
  std::lock_guard<std::mutex> guard(BinderLock());
  if (!g_engineModule) return DBENG_ERR_NOTEXPORTED;
  auto exitFn = reinterpret_cast<EngExitFn>(dlsym(g_engineModule, ENG_EXPORT_EXIT));
  if (!exitFn) return DBENG_ERR_NOTEXPORTED;
  DBResult rc = exitFn();
  if (rc != DBENG_OK) return rc;
  if (g_useCount > 0 && --g_useCount == 0) {
    dlclose(g_engineModule);
    g_engineModule = nullptr;
  }
  return DBENG_OK;
}

namespace engine_binder {

const SlotInfo *Slots(size_t *count) {
  if (count) *count = kSlotCount;
  return kSlotInfo;
}

unsigned UseCount() {
  std::lock_guard<std::mutex> guard(BinderLock());
  return g_useCount;
}

bool EngineLoaded() {
  std::lock_guard<std::mutex> guard(BinderLock());
  return g_engineModule != nullptr;
}

} // namespace engine_binder

DBResult EngineGetCurrentSession(hEngSession *phSes) {
  return CallSlot<EngFn_GetCurrentSession>(Slot::kGetCurrentSession, phSes);
}

DBResult EngineStartSession(const char *name, hEngSession *phSes, const char *netDir) {
  return CallSlot<EngFn_StartSession>(Slot::kStartSession, name, phSes, netDir);
}

DBResult EngineSetCurrentSession(hEngSession hSes) {
  return CallSlot<EngFn_SetCurrentSession>(Slot::kSetCurrentSession, hSes);
}

DBResult EngineCloseSession(hEngSession hSes) {
  return CallSlot<EngFn_CloseSession>(Slot::kCloseSession, hSes);
}

DBResult EngineAddPassword(const char *password) {
  return CallSlot<EngFn_AddPassword>(Slot::kAddPassword, password);
}

DBResult EngineDropPassword(const char *password) {
  return CallSlot<EngFn_DropPassword>(Slot::kDropPassword, password);
}

DBResult EngineSetPrivateDir(const char *dir) {
  return CallSlot<EngFn_SetPrivateDir>(Slot::kSetPrivateDir, dir);
}

DBResult EngineGetSessionInfo(EngSesInfo *info) {
  return CallSlot<EngFn_GetSessionInfo>(Slot::kGetSessionInfo, info);
}

DBResult EngineOpenDatabase(const char *dbName, const char *dbType, uint16_t openMode,
                            uint16_t shareMode, const char *password, uint16_t optCount,
                            const EngFldDesc *optDescs, const void *optValues, hEngDb *phDb) {
  return CallSlot<EngFn_OpenDatabase>(Slot::kOpenDatabase, dbName, dbType, openMode, shareMode,
                                      password, optCount, optDescs, optValues, phDb);
}

DBResult EngineCloseDatabase(hEngDb hDb) {
  return CallSlot<EngFn_CloseDatabase>(Slot::kCloseDatabase, hDb);
}

DBResult EngineSetDirectory(hEngDb hDb, const char *dir) {
  return CallSlot<EngFn_SetDirectory>(Slot::kSetDirectory, hDb, dir);
}

DBResult EngineFormFullName(hEngDb hDb, const char *tableName, const char *driverType,
                            char *fullName) {
  return CallSlot<EngFn_FormFullName>(Slot::kFormFullName, hDb, tableName, driverType, fullName);
}

DBResult EngineGetDatabaseDescriptor(const char *alias, EngDbDesc *desc) {
  return CallSlot<EngFn_GetDatabaseDescriptor>(Slot::kGetDatabaseDescriptor, alias, desc);
}

DBResult EngineGetDatabaseDriverName(hEngDb hDb, char *ldName) {
  return CallSlot<EngFn_GetDatabaseDriverName>(Slot::kGetDatabaseDriverName, hDb, ldName);
}

DBResult EngineGetTableDriverName(const char *fullName, const char *driverType, char *ldName) {
  return CallSlot<EngFn_GetTableDriverName>(Slot::kGetTableDriverName, fullName, driverType,
                                            ldName);
}

DBResult EngineOpenConfigList(uint32_t hCfg, uint16_t openMode, uint16_t cfgMode, const char *path,
                              hEngCursor *phCur) {
  return CallSlot<EngFn_OpenConfigList>(Slot::kOpenConfigList, hCfg, openMode, cfgMode, path,
                                        phCur);
}

DBResult EngineAddConfigEntry(uint32_t hCfg, uint16_t cfgMode, const char *path, uint16_t count,
                              const EngFldDesc *descs, const void *values, uint16_t createPath) {
  return CallSlot<EngFn_AddConfigEntry>(Slot::kAddConfigEntry, hCfg, cfgMode, path, count, descs,
                                        values, createPath);
}

DBResult EngineDropConfigEntry(uint32_t hCfg, uint16_t cfgMode, const char *path) {
  return CallSlot<EngFn_DropConfigEntry>(Slot::kDropConfigEntry, hCfg, cfgMode, path);
}

DBResult EngineFindConfigEntry(uint32_t hCfg, uint16_t cfgMode, const char *path) {
  return CallSlot<EngFn_FindConfigEntry>(Slot::kFindConfigEntry, hCfg, cfgMode, path);
}

DBResult EngineGetProperty(hEngObj hObj, uint32_t prop, void *buf, uint16_t bufLen,
                           uint16_t *pLen) {
  return CallSlot<EngFn_GetProperty>(Slot::kGetProperty, hObj, prop, buf, bufLen, pLen);
}

DBResult EngineSetProperty(hEngObj hObj, uint32_t prop, uint64_t value) {
  return CallSlot<EngFn_SetProperty>(Slot::kSetProperty, hObj, prop, value);
}

DBResult EngineGetObjectByName(uint16_t objType, const char *name, hEngObj *phObj) {
  return CallSlot<EngFn_GetObjectByName>(Slot::kGetObjectByName, objType, name, phObj);
}

DBResult EngineGetLanguageDriver(hEngCursor hCur, hEngLd *phLd) {
  return CallSlot<EngFn_GetLanguageDriver>(Slot::kGetLanguageDriver, hCur, phLd);
}

DBResult EngineLoadLanguageDriver(hEngLd *phLd, const char *ldName) {
  return CallSlot<EngFn_LoadLanguageDriver>(Slot::kLoadLanguageDriver, phLd, ldName);
}

DBResult EngineUnloadLanguageDriver(hEngLd hLd) {
  return CallSlot<EngFn_UnloadLanguageDriver>(Slot::kUnloadLanguageDriver, hLd);
}

DBResult EngineNativeToAnsi(hEngLd hLd, char *dst, const char *src, uint32_t len,
                            uint16_t *pDataLoss) {
  return CallSlot<EngFn_NativeToAnsi>(Slot::kNativeToAnsi, hLd, dst, src, len, pDataLoss);
}

DBResult EngineAnsiToNative(hEngLd hLd, char *dst, const char *src, uint32_t len,
                            uint16_t *pDataLoss) {
  return CallSlot<EngFn_AnsiToNative>(Slot::kAnsiToNative, hLd, dst, src, len, pDataLoss);
}

DBResult EngineOpenTable(hEngDb hDb, const char *tableName, const char *driverType,
                         const char *indexName, const char *indexTag, uint16_t indexId,
                         uint16_t openMode, uint16_t shareMode, uint16_t xltMode,
                         uint16_t uniDirectional, const void *params, hEngCursor *phCur) {
  return CallSlot<EngFn_OpenTable>(Slot::kOpenTable, hDb, tableName, driverType, indexName,
                                   indexTag, indexId, openMode, shareMode, xltMode, uniDirectional,
                                   params, phCur);
}

DBResult EngineCloseCursor(hEngCursor hCur) {
  return CallSlot<EngFn_CloseCursor>(Slot::kCloseCursor, hCur);
}

DBResult EngineGetCursorProperties(hEngCursor hCur, EngCurProps *props) {
  return CallSlot<EngFn_GetCursorProperties>(Slot::kGetCursorProperties, hCur, props);
}

DBResult EngineGetFieldDescriptors(hEngCursor hCur, EngFldDesc *descs) {
  return CallSlot<EngFn_GetFieldDescriptors>(Slot::kGetFieldDescriptors, hCur, descs);
}

DBResult EngineGetValidityCheck(hEngCursor hCur, uint16_t seqNo, EngVChkDesc *desc) {
  return CallSlot<EngFn_GetValidityCheck>(Slot::kGetValidityCheck, hCur, seqNo, desc);
}

DBResult EngineGetIndexDescriptor(hEngCursor hCur, uint16_t seqNo, EngIdxDesc *desc) {
  return CallSlot<EngFn_GetIndexDescriptor>(Slot::kGetIndexDescriptor, hCur, seqNo, desc);
}

DBResult EngineGetIndexDescriptors(hEngCursor hCur, EngIdxDesc *descs) {
  return CallSlot<EngFn_GetIndexDescriptors>(Slot::kGetIndexDescriptors, hCur, descs);
}

DBResult EngineOpenFieldList(hEngDb hDb, const char *tableName, const char *driverType,
                             uint16_t physicalTypes, hEngCursor *phCur) {
  return CallSlot<EngFn_OpenFieldList>(Slot::kOpenFieldList, hDb, tableName, driverType,
                                       physicalTypes, phCur);
}

DBResult EngineOpenValidityList(hEngDb hDb, const char *tableName, const char *driverType,
                                hEngCursor *phCur) {
  return CallSlot<EngFn_OpenValidityList>(Slot::kOpenValidityList, hDb, tableName, driverType,
                                          phCur);
}

DBResult EngineOpenIndex(hEngCursor hCur, const char *indexName, uint16_t indexId) {
  return CallSlot<EngFn_OpenIndex>(Slot::kOpenIndex, hCur, indexName, indexId);
}

DBResult EngineCloseIndex(hEngCursor hCur, const char *indexName, uint16_t indexId) {
  return CallSlot<EngFn_CloseIndex>(Slot::kCloseIndex, hCur, indexName, indexId);
}

DBResult EngineSwitchToIndex(hEngCursor hCur, const char *indexName, const char *indexTag,
                             uint16_t indexId, uint16_t keepCurrent) {
  return CallSlot<EngFn_SwitchToIndex>(Slot::kSwitchToIndex, hCur, indexName, indexTag, indexId,
                                       keepCurrent);
}

DBResult EngineCloneCursor(hEngCursor hSrc, uint16_t readOnly, uint16_t uniDirectional,
                           hEngCursor *phNew) {
  return CallSlot<EngFn_CloneCursor>(Slot::kCloneCursor, hSrc, readOnly, uniDirectional, phNew);
}

DBResult EngineSetToBegin(hEngCursor hCur) {
  return CallSlot<EngFn_SetToBegin>(Slot::kSetToBegin, hCur);
}

DBResult EngineSetToEnd(hEngCursor hCur) {
  return CallSlot<EngFn_SetToEnd>(Slot::kSetToEnd, hCur);
}

DBResult EngineSetToCursor(hEngCursor hDest, hEngCursor hSrc) {
  return CallSlot<EngFn_SetToCursor>(Slot::kSetToCursor, hDest, hSrc);
}

DBResult EngineGetNextRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props) {
  return CallSlot<EngFn_GetNextRecord>(Slot::kGetNextRecord, hCur, lock, recBuf, props);
}

DBResult EngineGetPriorRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props) {
  return CallSlot<EngFn_GetPriorRecord>(Slot::kGetPriorRecord, hCur, lock, recBuf, props);
}

DBResult EngineGetRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props) {
  return CallSlot<EngFn_GetRecord>(Slot::kGetRecord, hCur, lock, recBuf, props);
}

DBResult EngineGetRecordCount(hEngCursor hCur, uint32_t *count) {
  return CallSlot<EngFn_GetRecordCount>(Slot::kGetRecordCount, hCur, count);
}

DBResult EngineGetSequenceNumber(hEngCursor hCur, uint32_t *seqNum) {
  return CallSlot<EngFn_GetSequenceNumber>(Slot::kGetSequenceNumber, hCur, seqNum);
}

DBResult EngineGetBookmark(hEngCursor hCur, void *bookmark) {
  return CallSlot<EngFn_GetBookmark>(Slot::kGetBookmark, hCur, bookmark);
}

DBResult EngineSetToBookmark(hEngCursor hCur, const void *bookmark) {
  return CallSlot<EngFn_SetToBookmark>(Slot::kSetToBookmark, hCur, bookmark);
}

DBResult EngineForceReread(hEngCursor hCur) {
  return CallSlot<EngFn_ForceReread>(Slot::kForceReread, hCur);
}

DBResult EngineInitRecord(hEngCursor hCur, void *recBuf) {
  return CallSlot<EngFn_InitRecord>(Slot::kInitRecord, hCur, recBuf);
}

DBResult EngineInsertRecord(hEngCursor hCur, uint16_t lock, void *recBuf) {
  return CallSlot<EngFn_InsertRecord>(Slot::kInsertRecord, hCur, lock, recBuf);
}

DBResult EngineModifyRecord(hEngCursor hCur, void *recBuf, uint16_t releaseLock) {
  return CallSlot<EngFn_ModifyRecord>(Slot::kModifyRecord, hCur, recBuf, releaseLock);
}

DBResult EngineDeleteRecord(hEngCursor hCur, void *recBuf) {
  return CallSlot<EngFn_DeleteRecord>(Slot::kDeleteRecord, hCur, recBuf);
}

DBResult EngineReleaseRecordLock(hEngCursor hCur, uint16_t all) {
  return CallSlot<EngFn_ReleaseRecordLock>(Slot::kReleaseRecordLock, hCur, all);
}

DBResult EngineGetField(hEngCursor hCur, uint16_t fieldNum, const void *recBuf, void *dest,
                        uint16_t *isBlank) {
  return CallSlot<EngFn_GetField>(Slot::kGetField, hCur, fieldNum, recBuf, dest, isBlank);
}

DBResult EnginePutField(hEngCursor hCur, uint16_t fieldNum, void *recBuf, const void *src) {
  return CallSlot<EngFn_PutField>(Slot::kPutField, hCur, fieldNum, recBuf, src);
}

DBResult EngineExtractKey(hEngCursor hCur, const void *recBuf, void *keyBuf) {
  return CallSlot<EngFn_ExtractKey>(Slot::kExtractKey, hCur, recBuf, keyBuf);
}

DBResult EngineGetRecordForKey(hEngCursor hCur, uint16_t directKey, uint16_t fieldCount,
                               uint16_t partLen, const void *key, void *recBuf) {
  return CallSlot<EngFn_GetRecordForKey>(Slot::kGetRecordForKey, hCur, directKey, fieldCount,
                                         partLen, key, recBuf);
}

DBResult EngineSetToKey(hEngCursor hCur, uint16_t searchCond, uint16_t directKey,
                        uint16_t fieldCount, uint16_t partLen, const void *key) {
  return CallSlot<EngFn_SetToKey>(Slot::kSetToKey, hCur, searchCond, directKey, fieldCount, partLen,
                                  key);
}

DBResult EngineSetRange(hEngCursor hCur, uint16_t directKey, uint16_t fieldCount1,
                        uint16_t partLen1, const void *key1, uint16_t incl1, uint16_t fieldCount2,
                        uint16_t partLen2, const void *key2, uint16_t incl2) {
  return CallSlot<EngFn_SetRange>(Slot::kSetRange, hCur, directKey, fieldCount1, partLen1, key1,
                                  incl1, fieldCount2, partLen2, key2, incl2);
}

DBResult EngineResetRange(hEngCursor hCur) {
  return CallSlot<EngFn_ResetRange>(Slot::kResetRange, hCur);
}

DBResult EngineAddFilter(hEngCursor hCur, uint64_t clientData, uint16_t priority, uint16_t canAbort,
                         const void *tree, EngRecFilterFn fn, hEngFilter *phFilter) {
  return CallSlot<EngFn_AddFilter>(Slot::kAddFilter, hCur, clientData, priority, canAbort, tree, fn,
                                   phFilter);
}

DBResult EngineDropFilter(hEngCursor hCur, hEngFilter hFilter) {
  return CallSlot<EngFn_DropFilter>(Slot::kDropFilter, hCur, hFilter);
}

DBResult EngineActivateFilter(hEngCursor hCur, hEngFilter hFilter) {
  return CallSlot<EngFn_ActivateFilter>(Slot::kActivateFilter, hCur, hFilter);
}

DBResult EngineDeactivateFilter(hEngCursor hCur, hEngFilter hFilter) {
  return CallSlot<EngFn_DeactivateFilter>(Slot::kDeactivateFilter, hCur, hFilter);
}

DBResult EngineOpenBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint16_t openMode) {
  return CallSlot<EngFn_OpenBlob>(Slot::kOpenBlob, hCur, recBuf, fieldNum, openMode);
}

DBResult EngineGetBlobSize(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t *size) {
  return CallSlot<EngFn_GetBlobSize>(Slot::kGetBlobSize, hCur, recBuf, fieldNum, size);
}

DBResult EngineGetBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                       uint32_t len, void *dest, uint32_t *read) {
  return CallSlot<EngFn_GetBlob>(Slot::kGetBlob, hCur, recBuf, fieldNum, offset, len, dest, read);
}

DBResult EnginePutBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                       uint32_t len, const void *src) {
  return CallSlot<EngFn_PutBlob>(Slot::kPutBlob, hCur, recBuf, fieldNum, offset, len, src);
}

DBResult EngineTruncateBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t len) {
  return CallSlot<EngFn_TruncateBlob>(Slot::kTruncateBlob, hCur, recBuf, fieldNum, len);
}

DBResult EngineFreeBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum) {
  return CallSlot<EngFn_FreeBlob>(Slot::kFreeBlob, hCur, recBuf, fieldNum);
}

DBResult EngineGetErrorString(DBResult code, char *msg) {
  return CallSlot<EngFn_GetErrorString>(Slot::kGetErrorString, code, msg);
}

DBResult EngineGetErrorEntry(uint16_t entry, DBResult *code, int32_t *native, char *msg) {
  return CallSlot<EngFn_GetErrorEntry>(Slot::kGetErrorEntry, entry, code, native, msg);
}

DBResult EngineRegisterCallback(hEngObj hObj, uint16_t cbType, uint64_t clientData, uint16_t bufLen,
                                void *cbBuf, EngCallbackFn fn) {
  return CallSlot<EngFn_RegisterCallback>(Slot::kRegisterCallback, hObj, cbType, clientData, bufLen,
                                          cbBuf, fn);
}

DBResult EngineGetCallback(hEngObj hObj, uint16_t cbType, uint64_t *clientData, uint16_t *bufLen,
                           void **cbBuf, EngCallbackFn *fn) {
  return CallSlot<EngFn_GetCallback>(Slot::kGetCallback, hObj, cbType, clientData, bufLen, cbBuf,
                                     fn);
}

DBResult EngineBeginCachedUpdates(hEngCursor hCur, hEngCursor *phCached) {
  return CallSlot<EngFn_BeginCachedUpdates>(Slot::kBeginCachedUpdates, hCur, phCached);
}

DBResult EngineEndCachedUpdates(hEngCursor hCur, hEngCursor hCached, uint16_t commit) {
  return CallSlot<EngFn_EndCachedUpdates>(Slot::kEndCachedUpdates, hCur, hCached, commit);
}

DBResult EngineCreateTable(hEngDb hDb, const EngTableDesc *desc) {
  return CallSlot<EngFn_CreateTable>(Slot::kCreateTable, hDb, desc);
}

DBResult EngineChangeTablePassword(hEngDb hDb, const char *tableName, const char *driverType,
                                   const char *newPassword) {
  return CallSlot<EngFn_ChangeTablePassword>(Slot::kChangeTablePassword, hDb, tableName, driverType,
                                             newPassword);
}