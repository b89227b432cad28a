// The engine contract as the dataset layer sees it: one function per engine
// operation, with the arguments of engine/include/dbeng.h. Every call goes
// through the binder (engine_api.cpp), which loads libdbeng.so at run time
// and binds each operation by number on its first call. Nothing here throws;
// every function returns the engine's result code, or one of the binder's
// codes (DBENG_ERR_LIBNOTFOUND, DBENG_ERR_LIBNOTLOADED,
// DBENG_ERR_LAZYLIBNOTLOADED, DBENG_ERR_NOMEMORY, DBENG_ERR_NOTEXPORTED,
// DBENG_ERR_INITNOTEXPORTED) when the operation cannot be reached.
#pragma once

#include "engine/include/dbeng.h"

#include <cstddef>

// Starts the engine: loads the library (the program's folder, then each
// folder of $DBENG_DLLPATH, a ':'-separated list, then the system's search)
// and calls its "EngInitFn" with interface version 300. A successful call
// counts one use; DBENG_ERR_ALREADYINIT comes from an engine already running
// and does not count.
DBResult EngineInit(const EngEnv *env);
// Calls "EngExit"; on success drops one use and releases the library at 0.
DBResult EngineExit();

DBResult EngineGetCurrentSession(hEngSession *phSes);
DBResult EngineStartSession(const char *name, hEngSession *phSes, const char *netDir);
DBResult EngineSetCurrentSession(hEngSession hSes);
DBResult EngineCloseSession(hEngSession hSes);
DBResult EngineAddPassword(const char *password);
DBResult EngineDropPassword(const char *password);
DBResult EngineSetPrivateDir(const char *dir);
DBResult EngineGetSessionInfo(EngSesInfo *info);
DBResult EngineOpenDatabase(const char *dbName, const char *dbType, uint16_t openMode,
                            uint16_t shareMode, const char *password, uint16_t optCount,
                            const EngFldDesc *optDescs, const void *optValues, hEngDb *phDb);
DBResult EngineCloseDatabase(hEngDb hDb);
DBResult EngineSetDirectory(hEngDb hDb, const char *dir);
DBResult EngineFormFullName(hEngDb hDb, const char *tableName, const char *driverType,
                            char *fullName);
DBResult EngineGetDatabaseDescriptor(const char *alias, EngDbDesc *desc);
DBResult EngineGetDatabaseDriverName(hEngDb hDb, char *ldName);
DBResult EngineGetTableDriverName(const char *fullName, const char *driverType, char *ldName);
DBResult EngineOpenConfigList(uint32_t hCfg, uint16_t openMode, uint16_t cfgMode, const char *path,
                              hEngCursor *phCur);
DBResult EngineAddConfigEntry(uint32_t hCfg, uint16_t cfgMode, const char *path, uint16_t count,
                              const EngFldDesc *descs, const void *values, uint16_t createPath);
DBResult EngineDropConfigEntry(uint32_t hCfg, uint16_t cfgMode, const char *path);
DBResult EngineFindConfigEntry(uint32_t hCfg, uint16_t cfgMode, const char *path);
DBResult EngineGetProperty(hEngObj hObj, uint32_t prop, void *buf, uint16_t bufLen, uint16_t *pLen);
DBResult EngineSetProperty(hEngObj hObj, uint32_t prop, uint64_t value);
DBResult EngineGetObjectByName(uint16_t objType, const char *name, hEngObj *phObj);
DBResult EngineGetLanguageDriver(hEngCursor hCur, hEngLd *phLd);
DBResult EngineLoadLanguageDriver(hEngLd *phLd, const char *ldName);
DBResult EngineUnloadLanguageDriver(hEngLd hLd);
DBResult EngineNativeToAnsi(hEngLd hLd, char *dst, const char *src, uint32_t len,
                            uint16_t *pDataLoss);
DBResult EngineAnsiToNative(hEngLd hLd, char *dst, const char *src, uint32_t len,
                            uint16_t *pDataLoss);
DBResult EngineOpenTable(hEngDb hDb, const char *tableName, const char *driverType,
                         const char *indexName, const char *indexTag, uint16_t indexId,
                         uint16_t openMode, uint16_t shareMode, uint16_t xltMode,
                         uint16_t uniDirectional, const void *params, hEngCursor *phCur);
DBResult EngineCloseCursor(hEngCursor hCur);
DBResult EngineGetCursorProperties(hEngCursor hCur, EngCurProps *props);
DBResult EngineGetFieldDescriptors(hEngCursor hCur, EngFldDesc *descs);
DBResult EngineGetValidityCheck(hEngCursor hCur, uint16_t seqNo, EngVChkDesc *desc);
DBResult EngineGetIndexDescriptor(hEngCursor hCur, uint16_t seqNo, EngIdxDesc *desc);
DBResult EngineGetIndexDescriptors(hEngCursor hCur, EngIdxDesc *descs);
DBResult EngineOpenFieldList(hEngDb hDb, const char *tableName, const char *driverType,
                             uint16_t physicalTypes, hEngCursor *phCur);
DBResult EngineOpenValidityList(hEngDb hDb, const char *tableName, const char *driverType,
                                hEngCursor *phCur);
DBResult EngineOpenIndex(hEngCursor hCur, const char *indexName, uint16_t indexId);
DBResult EngineCloseIndex(hEngCursor hCur, const char *indexName, uint16_t indexId);
DBResult EngineSwitchToIndex(hEngCursor hCur, const char *indexName, const char *indexTag,
                             uint16_t indexId, uint16_t keepCurrent);
DBResult EngineCloneCursor(hEngCursor hSrc, uint16_t readOnly, uint16_t uniDirectional,
                           hEngCursor *phNew);
DBResult EngineSetToBegin(hEngCursor hCur);
DBResult EngineSetToEnd(hEngCursor hCur);
DBResult EngineSetToCursor(hEngCursor hDest, hEngCursor hSrc);
DBResult EngineGetNextRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props);
DBResult EngineGetPriorRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props);
DBResult EngineGetRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props);
DBResult EngineGetRecordCount(hEngCursor hCur, uint32_t *count);
DBResult EngineGetSequenceNumber(hEngCursor hCur, uint32_t *seqNum);
DBResult EngineGetBookmark(hEngCursor hCur, void *bookmark);
DBResult EngineSetToBookmark(hEngCursor hCur, const void *bookmark);
DBResult EngineForceReread(hEngCursor hCur);
DBResult EngineInitRecord(hEngCursor hCur, void *recBuf);
DBResult EngineInsertRecord(hEngCursor hCur, uint16_t lock, void *recBuf);
DBResult EngineModifyRecord(hEngCursor hCur, void *recBuf, uint16_t releaseLock);
DBResult EngineDeleteRecord(hEngCursor hCur, void *recBuf);
DBResult EngineReleaseRecordLock(hEngCursor hCur, uint16_t all);
DBResult EngineGetField(hEngCursor hCur, uint16_t fieldNum, const void *recBuf, void *dest,
                        uint16_t *isBlank);
DBResult EnginePutField(hEngCursor hCur, uint16_t fieldNum, void *recBuf, const void *src);
DBResult EngineExtractKey(hEngCursor hCur, const void *recBuf, void *keyBuf);
DBResult EngineGetRecordForKey(hEngCursor hCur, uint16_t directKey, uint16_t fieldCount,
                               uint16_t partLen, const void *key, void *recBuf);
DBResult EngineSetToKey(hEngCursor hCur, uint16_t searchCond, uint16_t directKey,
                        uint16_t fieldCount, uint16_t partLen, const void *key);
DBResult EngineSetRange(hEngCursor hCur, uint16_t directKey, uint16_t fieldCount1,
                        uint16_t partLen1, const void *key1, uint16_t incl1, uint16_t fieldCount2,
                        uint16_t partLen2, const void *key2, uint16_t incl2);
DBResult EngineResetRange(hEngCursor hCur);
DBResult EngineAddFilter(hEngCursor hCur, uint64_t clientData, uint16_t priority, uint16_t canAbort,
                         const void *tree, EngRecFilterFn fn, hEngFilter *phFilter);
DBResult EngineDropFilter(hEngCursor hCur, hEngFilter hFilter);
DBResult EngineActivateFilter(hEngCursor hCur, hEngFilter hFilter);
DBResult EngineDeactivateFilter(hEngCursor hCur, hEngFilter hFilter);
DBResult EngineOpenBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint16_t openMode);
DBResult EngineGetBlobSize(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t *size);
DBResult EngineGetBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                       uint32_t len, void *dest, uint32_t *read);
DBResult EnginePutBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                       uint32_t len, const void *src);
DBResult EngineTruncateBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t len);
DBResult EngineFreeBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum);
DBResult EngineGetErrorString(DBResult code, char *msg);
DBResult EngineGetErrorEntry(uint16_t entry, DBResult *code, int32_t *native, char *msg);
DBResult EngineRegisterCallback(hEngObj hObj, uint16_t cbType, uint64_t clientData, uint16_t bufLen,
                                void *cbBuf, EngCallbackFn fn);
DBResult EngineGetCallback(hEngObj hObj, uint16_t cbType, uint64_t *clientData, uint16_t *bufLen,
                           void **cbBuf, EngCallbackFn *fn);
DBResult EngineBeginCachedUpdates(hEngCursor hCur, hEngCursor *phCached);
DBResult EngineEndCachedUpdates(hEngCursor hCur, hEngCursor hCached, uint16_t commit);
DBResult EngineCreateTable(hEngDb hDb, const EngTableDesc *desc);
DBResult EngineChangeTablePassword(hEngDb hDb, const char *tableName, const char *driverType,
                                   const char *newPassword);

namespace engine_binder {

// Seam of the binder: how an operation number reaches its slot. The slot
// table holds one entry per operation above, in declaration order; each
// starts unbound and is bound on its first call.
struct SlotInfo {
  uint16_t number;  // operation number as the library exports it
  const char *name; // the function's name, for diagnostics
};
// The slot table's static description (number and name of each slot).
const SlotInfo *Slots(size_t *count);
// Number of successful initialisations not yet ended by EngineExit.
unsigned UseCount();
// True while the library loaded by EngineInit is held.
bool EngineLoaded();

} // namespace engine_binder
