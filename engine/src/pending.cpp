// Operations whose implementation has not landed yet: each answers
// DBENG_ERR_NOTIMPL. Entries move out of this file as they are built.
#include "engine/src/operations.h"

extern "C" {
DBResult eng_GetCurrentSession(hEngSession *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_StartSession(const char *, hEngSession *, const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetCurrentSession(hEngSession) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_CloseSession(hEngSession) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_AddPassword(const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_DropPassword(const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetPrivateDir(const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetSessionInfo(EngSesInfo *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_OpenDatabase(const char *, const char *, uint16_t, uint16_t, const char *, uint16_t,
                          const EngFldDesc *, const void *, hEngDb *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_CloseDatabase(hEngDb) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetDirectory(hEngDb, const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_FormFullName(hEngDb, const char *, const char *, char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetDatabaseDescriptor(const char *, EngDbDesc *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetDatabaseDriverName(hEngDb, char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetTableDriverName(const char *, const char *, char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_OpenConfigList(uint32_t, uint16_t, uint16_t, const char *, hEngCursor *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_AddConfigEntry(uint32_t, uint16_t, const char *, uint16_t, const EngFldDesc *,
                            const void *, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_DropConfigEntry(uint32_t, uint16_t, const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_FindConfigEntry(uint32_t, uint16_t, const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetProperty(hEngObj, uint32_t, void *, uint16_t, uint16_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetProperty(hEngObj, uint32_t, uint64_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetObjectByName(uint16_t, const char *, hEngObj *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetLanguageDriver(hEngCursor, hEngLd *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_LoadLanguageDriver(hEngLd *, const char *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_UnloadLanguageDriver(hEngLd) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_NativeToAnsi(hEngLd, char *, const char *, uint32_t, uint16_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_AnsiToNative(hEngLd, char *, const char *, uint32_t, uint16_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_OpenTable(hEngDb, const char *, const char *, const char *, const char *, uint16_t,
                       uint16_t, uint16_t, uint16_t, uint16_t, const void *, hEngCursor *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_CloseCursor(hEngCursor) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetCursorProperties(hEngCursor, EngCurProps *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetFieldDescriptors(hEngCursor, EngFldDesc *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetValidityCheck(hEngCursor, uint16_t, EngVChkDesc *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetIndexDescriptor(hEngCursor, uint16_t, EngIdxDesc *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetIndexDescriptors(hEngCursor, EngIdxDesc *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_OpenFieldList(hEngDb, const char *, const char *, uint16_t, hEngCursor *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_OpenValidityList(hEngDb, const char *, const char *, hEngCursor *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_OpenIndex(hEngCursor, const char *, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_CloseIndex(hEngCursor, const char *, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SwitchToIndex(hEngCursor, const char *, const char *, uint16_t, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_CloneCursor(hEngCursor, uint16_t, uint16_t, hEngCursor *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetToBegin(hEngCursor) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetToEnd(hEngCursor) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetToCursor(hEngCursor, hEngCursor) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetNextRecord(hEngCursor, uint16_t, void *, EngRecProps *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetPriorRecord(hEngCursor, uint16_t, void *, EngRecProps *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetRecord(hEngCursor, uint16_t, void *, EngRecProps *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetRecordCount(hEngCursor, uint32_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetSequenceNumber(hEngCursor, uint32_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetBookmark(hEngCursor, void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetToBookmark(hEngCursor, const void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_ForceReread(hEngCursor) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_InitRecord(hEngCursor, void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_InsertRecord(hEngCursor, uint16_t, void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_ModifyRecord(hEngCursor, void *, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_DeleteRecord(hEngCursor, void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_ReleaseRecordLock(hEngCursor, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetField(hEngCursor, uint16_t, const void *, void *, uint16_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_PutField(hEngCursor, uint16_t, void *, const void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_ExtractKey(hEngCursor, const void *, void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetRecordForKey(hEngCursor, uint16_t, uint16_t, uint16_t, const void *, void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetToKey(hEngCursor, uint16_t, uint16_t, uint16_t, uint16_t, const void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_SetRange(hEngCursor, uint16_t, uint16_t, uint16_t, const void *, uint16_t, uint16_t,
                      uint16_t, const void *, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_ResetRange(hEngCursor) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_AddFilter(hEngCursor, uint64_t, uint16_t, uint16_t, const void *, EngRecFilterFn,
                       hEngFilter *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_DropFilter(hEngCursor, hEngFilter) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_ActivateFilter(hEngCursor, hEngFilter) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_DeactivateFilter(hEngCursor, hEngFilter) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_OpenBlob(hEngCursor, void *, uint16_t, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetBlobSize(hEngCursor, void *, uint16_t, uint32_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetBlob(hEngCursor, void *, uint16_t, uint32_t, uint32_t, void *, uint32_t *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_PutBlob(hEngCursor, void *, uint16_t, uint32_t, uint32_t, const void *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_TruncateBlob(hEngCursor, void *, uint16_t, uint32_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_FreeBlob(hEngCursor, void *, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_RegisterCallback(hEngObj, uint16_t, uint64_t, uint16_t, void *, EngCallbackFn) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_GetCallback(hEngObj, uint16_t, uint64_t *, uint16_t *, void **, EngCallbackFn *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_BeginCachedUpdates(hEngCursor, hEngCursor *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_EndCachedUpdates(hEngCursor, hEngCursor, uint16_t) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_CreateTable(hEngDb, const EngTableDesc *) {
  return DBENG_ERR_NOTIMPL;
}
DBResult eng_ChangeTablePassword(hEngDb, const char *, const char *, const char *) {
  return DBENG_ERR_NOTIMPL;
}
}
