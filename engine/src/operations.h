// Every operation the engine exports by number, as one list: the name (the
// entry is eng_<name>), the operation number and the argument list of its
// function type in dbeng.h.
#pragma once

#include "engine/include/dbeng.h"

#define DBENG_OPERATIONS(X)                                                                        \
  X(GetCurrentSession, 72, (hEngSession * phSes))                                                  \
  X(StartSession, 70, (const char *name, hEngSession *phSes, const char *netDir))                  \
  X(SetCurrentSession, 71, (hEngSession hSes))                                                     \
  X(CloseSession, 73, (hEngSession hSes))                                                          \
  X(AddPassword, 74, (const char *password))                                                       \
  X(DropPassword, 75, (const char *password))                                                      \
  X(SetPrivateDir, 78, (const char *dir))                                                          \
  X(GetSessionInfo, 125, (EngSesInfo * info))                                                      \
  X(OpenDatabase, 4,                                                                               \
    (const char *dbName, const char *dbType, uint16_t openMode, uint16_t shareMode,                \
     const char *password, uint16_t optCount, const EngFldDesc *optDescs, const void *optValues,   \
     hEngDb *phDb))                                                                                \
  X(CloseDatabase, 5, (hEngDb hDb))                                                                \
  X(SetDirectory, 32, (hEngDb hDb, const char *dir))                                               \
  X(FormFullName, 297,                                                                             \
    (hEngDb hDb, const char *tableName, const char *driverType, char *fullName))                   \
  X(GetDatabaseDescriptor, 83, (const char *alias, EngDbDesc *desc))                               \
  X(GetDatabaseDriverName, 871, (hEngDb hDb, char *ldName))                                        \
  X(GetTableDriverName, 832, (const char *fullName, const char *driverType, char *ldName))         \
  X(OpenConfigList, 1063,                                                                          \
    (uint32_t hCfg, uint16_t openMode, uint16_t cfgMode, const char *path, hEngCursor *phCur))     \
  X(AddConfigEntry, 402,                                                                           \
    (uint32_t hCfg, uint16_t cfgMode, const char *path, uint16_t count, const EngFldDesc *descs,   \
     const void *values, uint16_t createPath))                                                     \
  X(DropConfigEntry, 405, (uint32_t hCfg, uint16_t cfgMode, const char *path))                     \
  X(FindConfigEntry, 407, (uint32_t hCfg, uint16_t cfgMode, const char *path))                     \
  X(GetProperty, 1071, (hEngObj hObj, uint32_t prop, void *buf, uint16_t bufLen, uint16_t *pLen))  \
  X(SetProperty, 1072, (hEngObj hObj, uint32_t prop, uint64_t value))                              \
  X(GetObjectByName, 1073, (uint16_t objType, const char *name, hEngObj *phObj))                   \
  X(GetLanguageDriver, 293, (hEngCursor hCur, hEngLd * phLd))                                      \
  X(LoadLanguageDriver, 789, (hEngLd * phLd, const char *ldName))                                  \
  X(UnloadLanguageDriver, 808, (hEngLd hLd))                                                       \
  X(NativeToAnsi, 1069,                                                                            \
    (hEngLd hLd, char *dst, const char *src, uint32_t len, uint16_t *pDataLoss))                   \
  X(AnsiToNative, 1070,                                                                            \
    (hEngLd hLd, char *dst, const char *src, uint32_t len, uint16_t *pDataLoss))                   \
  X(OpenTable, 6,                                                                                  \
    (hEngDb hDb, const char *tableName, const char *driverType, const char *indexName,             \
     const char *indexTag, uint16_t indexId, uint16_t openMode, uint16_t shareMode,                \
     uint16_t xltMode, uint16_t uniDirectional, const void *params, hEngCursor *phCur))            \
  X(CloseCursor, 12, (hEngCursor hCur))                                                            \
  X(GetCursorProperties, 7, (hEngCursor hCur, EngCurProps * props))                                \
  X(GetFieldDescriptors, 9, (hEngCursor hCur, EngFldDesc * descs))                                 \
  X(GetValidityCheck, 1097, (hEngCursor hCur, uint16_t seqNo, EngVChkDesc * desc))                 \
  X(GetIndexDescriptor, 215, (hEngCursor hCur, uint16_t seqNo, EngIdxDesc * desc))                 \
  X(GetIndexDescriptors, 1067, (hEngCursor hCur, EngIdxDesc * descs))                              \
  X(OpenFieldList, 36,                                                                             \
    (hEngDb hDb, const char *tableName, const char *driverType, uint16_t physicalTypes,            \
     hEngCursor *phCur))                                                                           \
  X(OpenValidityList, 38,                                                                          \
    (hEngDb hDb, const char *tableName, const char *driverType, hEngCursor *phCur))                \
  X(OpenIndex, 212, (hEngCursor hCur, const char *indexName, uint16_t indexId))                    \
  X(CloseIndex, 213, (hEngCursor hCur, const char *indexName, uint16_t indexId))                   \
  X(SwitchToIndex, 214,                                                                            \
    (hEngCursor hCur, const char *indexName, const char *indexTag, uint16_t indexId,               \
     uint16_t keepCurrent))                                                                        \
  X(CloneCursor, 220,                                                                              \
    (hEngCursor hSrc, uint16_t readOnly, uint16_t uniDirectional, hEngCursor * phNew))             \
  X(SetToBegin, 13, (hEngCursor hCur))                                                             \
  X(SetToEnd, 14, (hEngCursor hCur))                                                               \
  X(SetToCursor, 15, (hEngCursor hDest, hEngCursor hSrc))                                          \
  X(GetNextRecord, 16, (hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props))         \
  X(GetPriorRecord, 17, (hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props))        \
  X(GetRecord, 18, (hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props))             \
  X(GetRecordCount, 21, (hEngCursor hCur, uint32_t * count))                                       \
  X(GetSequenceNumber, 25, (hEngCursor hCur, uint32_t * seqNum))                                   \
  X(GetBookmark, 217, (hEngCursor hCur, void *bookmark))                                           \
  X(SetToBookmark, 218, (hEngCursor hCur, const void *bookmark))                                   \
  X(ForceReread, 66, (hEngCursor hCur))                                                            \
  X(InitRecord, 221, (hEngCursor hCur, void *recBuf))                                              \
  X(InsertRecord, 22, (hEngCursor hCur, uint16_t lock, void *recBuf))                              \
  X(ModifyRecord, 23, (hEngCursor hCur, void *recBuf, uint16_t releaseLock))                       \
  X(DeleteRecord, 24, (hEngCursor hCur, void *recBuf))                                             \
  X(ReleaseRecordLock, 62, (hEngCursor hCur, uint16_t all))                                        \
  X(GetField, 2001,                                                                                \
    (hEngCursor hCur, uint16_t fieldNum, const void *recBuf, void *dest, uint16_t *isBlank))       \
  X(PutField, 2002, (hEngCursor hCur, uint16_t fieldNum, void *recBuf, const void *src))           \
  X(ExtractKey, 216, (hEngCursor hCur, const void *recBuf, void *keyBuf))                          \
  X(GetRecordForKey, 254,                                                                          \
    (hEngCursor hCur, uint16_t directKey, uint16_t fieldCount, uint16_t partLen, const void *key,  \
     void *recBuf))                                                                                \
  X(SetToKey, 30,                                                                                  \
    (hEngCursor hCur, uint16_t searchCond, uint16_t directKey, uint16_t fieldCount,                \
     uint16_t partLen, const void *key))                                                           \
  X(SetRange, 28,                                                                                  \
    (hEngCursor hCur, uint16_t directKey, uint16_t fieldCount1, uint16_t partLen1,                 \
     const void *key1, uint16_t incl1, uint16_t fieldCount2, uint16_t partLen2, const void *key2,  \
     uint16_t incl2))                                                                              \
  X(ResetRange, 29, (hEngCursor hCur))                                                             \
  X(AddFilter, 840,                                                                                \
    (hEngCursor hCur, uint64_t clientData, uint16_t priority, uint16_t canAbort, const void *tree, \
     EngRecFilterFn fn, hEngFilter *phFilter))                                                     \
  X(DropFilter, 841, (hEngCursor hCur, hEngFilter hFilter))                                        \
  X(ActivateFilter, 842, (hEngCursor hCur, hEngFilter hFilter))                                    \
  X(DeactivateFilter, 843, (hEngCursor hCur, hEngFilter hFilter))                                  \
  X(OpenBlob, 100, (hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint16_t openMode))          \
  X(GetBlobSize, 101, (hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t *size))          \
  X(GetBlob, 102,                                                                                  \
    (hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset, uint32_t len, void *dest,  \
     uint32_t *read))                                                                              \
  X(PutBlob, 103,                                                                                  \
    (hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset, uint32_t len,              \
     const void *src))                                                                             \
  X(TruncateBlob, 104, (hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t len))           \
  X(FreeBlob, 105, (hEngCursor hCur, void *recBuf, uint16_t fieldNum))                             \
  X(GetErrorString, 298, (DBResult code, char *msg))                                               \
  X(GetErrorEntry, 300, (uint16_t entry, DBResult * code, int32_t * native, char *msg))            \
  X(RegisterCallback, 206,                                                                         \
    (hEngObj hObj, uint16_t cbType, uint64_t clientData, uint16_t bufLen, void *cbBuf,             \
     EngCallbackFn fn))                                                                            \
  X(GetCallback, 337,                                                                              \
    (hEngObj hObj, uint16_t cbType, uint64_t * clientData, uint16_t * bufLen, void **cbBuf,        \
     EngCallbackFn *fn))                                                                           \
  X(BeginCachedUpdates, 1163, (hEngCursor hCur, hEngCursor * phCached))                            \
  X(EndCachedUpdates, 1162, (hEngCursor hCur, hEngCursor hCached, uint16_t commit))                \
  X(CreateTable, 2003, (hEngDb hDb, const EngTableDesc *desc))                                     \
  X(ChangeTablePassword, 2004,                                                                     \
    (hEngDb hDb, const char *tableName, const char *driverType, const char *newPassword))

extern "C" {
#define DBENG_DECLARE_OP(name, number, args) DBResult eng_##name args;
DBENG_OPERATIONS(DBENG_DECLARE_OP)
#undef DBENG_DECLARE_OP
}
