/*
 * dbeng.h - the C contract of the table engine (libdbeng.so).
 *
 * The engine owns sessions, databases, cursors, filters and blobs. Its
 * storage is SQLite: a database of driver type "STANDARD" is a folder and
 * every table is one SQLite file in it (see engine/README.md for the schema).
 *
 * Binding
 * -------
 * The library exports three entries by name and nothing else:
 *   EngInitFn(version, environment)   start the engine (interface version 300)
 *   EngExit()                         end it (one call per successful init)
 *   EngGetProc(number)                the entry of an operation, or NULL
 * and, optionally, "DLLINITFUNCTION" (EngDllInitFn). Every other operation is
 * reached through EngGetProc with its operation number (ENG_OP_...), cast to
 * the matching function type below (EngFn_...). Nothing throws across this
 * interface: every operation returns a result code (DBResult).
 *
 * Conventions
 * -----------
 * - All structures are packed (no padding) and little-endian.
 * - Texts are UTF-8 and zero-terminated. Names are at most 31 bytes, index
 *   names 127, passwords 255, paths and table names 259. The engine's widths
 *   count bytes; cutting a text to a width never splits a character.
 * - Handles are 32-bit; 0 means "none". The top byte of a handle says what it
 *   is (ENG_HKIND_...), so a handle of the wrong kind gives DBENG_ERR_INVALIDHNDL.
 * - "Blank" is the engine's word for a field without a value (SQL NULL).
 *
 * Record images
 * -------------
 * A record buffer holds CURProps.recordSize bytes. Every field has a fixed
 * slot at EngFldDesc.offset of EngFldDesc.length bytes and a blank flag byte
 * at EngFldDesc.nullOffset (0 = blank, 1 = has a value). A zero-filled buffer
 * is therefore a record in which every field is blank; EngineInitRecord gives
 * a blank record with the table's default values filled in. Slot contents by
 * logical type:
 *   ENG_FLD_ZSTRING    UTF-8 text, zero-terminated, units1 + 1 bytes; an
 *                      empty text is stored as blank
 *   ENG_FLD_DATE       int32 day number, 1 January of year 1 = day 1
 *   ENG_FLD_TIME       int32 milliseconds since midnight
 *   ENG_FLD_TIMESTAMP  double, day number * 86400000 + milliseconds
 *   ENG_FLD_BOOL       int16, 0 false, 1 true
 *   ENG_FLD_INT16, ENG_FLD_UINT16   2 bytes
 *   ENG_FLD_INT32, ENG_FLD_UINT32   4 bytes (autoincrement: INT32, subtype 29)
 *   ENG_FLD_FLOAT      double (money: subtype 21)
 *   ENG_FLD_BCD        18 bytes: precision byte (32), byte with the sign in
 *                      bit 7 and the decimal places in bits 0-6, 16 bytes of
 *                      32 decimal digits, high nibble first
 *   ENG_FLD_BYTES      units1 bytes
 *   ENG_FLD_VARBYTES   uint16 length, then units1 bytes
 *   ENG_FLD_BLOB       blob reference (EngBlobRef below) padded to the
 *                      in-record size (units1, at least 16); the bytes
 *                      themselves live in the table's blob storage
 * Field n of a record is read and written with EngineGetField and
 * EnginePutField (operations ENG_OP_GETFIELD, ENG_OP_PUTFIELD); callers need
 * not know the layout. Inside the engine, engine/src/record.h offers the same
 * reader to the filter evaluator.
 *
 * Keys
 * ----
 * A key buffer (CURProps.keySize bytes) has the layout of a record image in
 * which only the fields of the current index matter. EngineExtractKey makes
 * one from a record; callers may equally pass a record image where a key is
 * asked for (directKey 0).
 *
 * Bookmarks
 * ---------
 * CURProps.bookmarkSize bytes (16), opaque. A bookmark names a row, not a
 * position: it stays usable while other rows are inserted or deleted, and in
 * any index order of the same table. The bookmark of a deleted row gives
 * DBENG_ERR_RECDELETED.
 *
 * Filter trees
 * ------------
 * EngineAddFilter takes the expression tree written by the dataset layer:
 * a 10-byte header of five uint16 (version, total size, node count, node
 * start 10, literal start), then the node area, then the literal area. In
 * version 2 (ENG_FILTER_VERSION) every node is an 8-byte head (uint32 class,
 * uint32 operator) followed by its uint16 operands (class 1: 1 operand,
 * 2: 2, 3: 4, 4: 2, 5: 3); node count is 0xFFFF. In version 1 (the enhanced
 * table's own filters) every node takes 14 bytes (head and three operand
 * slots) and the node count is the real count. Operand offsets are relative
 * to their area. Classes, operators and constant types: ENG_NODE_...,
 * ENG_FOP_..., ENG_CONST_... below. A tree that is one comparison of an
 * indexed or plain numeric field with a constant (as "CATEGORY=100") is
 * answered by the table's storage directly instead of by reading every row.
 *
 * Storage
 * -------
 * The layout of a table file (SQLite, write-ahead log) is described in
 * engine/README.md.
 */
#ifndef DBENG_H
#define DBENG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------ */
/* Result codes: 16 bits, high byte category, low byte sub-code.      */
/* ------------------------------------------------------------------ */

typedef uint16_t DBResult;

#define DBENG_OK 0

/* 0x21 system: files, folders, libraries */
#define DBENG_ERR_SYSTEM 0x2101           /* 8449 operating-system error (errno on the stack) */
#define DBENG_ERR_DIRNOTFOUND 0x2102      /* 8450 directory does not exist */
#define DBENG_ERR_FILENOTFOUND 0x2103     /* 8451 table file does not exist */
#define DBENG_ERR_IO 0x2104               /* 8452 input/output error */
#define DBENG_ERR_DISKFULL 0x2105         /* 8453 disk full */
#define DBENG_ERR_FILEEXISTS 0x2106       /* 8454 table file already exists */
#define DBENG_ERR_LIBNOTFOUND 0x2108      /* 8456 engine library not found */
#define DBENG_ERR_LIBNOTLOADED 0x2109     /* 8457 engine library could not be loaded */
#define DBENG_ERR_LAZYLIBNOTLOADED 0x210A /* 8458 lazily bound engine library not loadable */

/* 0x22 not found (a delete that meets one of these counts as done) */
#define DBENG_ERR_BOF 0x2201           /* 8705 at beginning of table */
#define DBENG_ERR_EOF 0x2202           /* 8706 at end of table */
#define DBENG_ERR_KEYNOTFOUND 0x2204   /* 8708 no record with this key */
#define DBENG_ERR_NOCURRREC 0x2205     /* 8709 no current record */
#define DBENG_ERR_RECDELETED 0x2206    /* 8710 the record no longer exists */
#define DBENG_ERR_ENDOFBLOB 0x2207     /* 8711 end of blob */
#define DBENG_ERR_OBJNOTFOUND 0x2208   /* 8712 named object (index, alias entry) not found */
#define DBENG_ERR_UNKNOWNDB 0x2209     /* 8713 unknown database or alias */
#define DBENG_ERR_NOCONFIGENTRY 0x220A /* 8714 configuration entry not found */

/* 0x23 corrupt or foreign files */
#define DBENG_ERR_CORRUPT 0x2301    /* 8961 table file is corrupt */
#define DBENG_ERR_NOTATABLE 0x2302  /* 8962 file is not a table of this engine */
#define DBENG_ERR_BADVERSION 0x2303 /* 8963 table file of an unknown format version */

/* 0x25 resources */
#define DBENG_ERR_NOMEMORY 0x2501 /* 9473 out of memory */
#define DBENG_ERR_TOOMANY 0x2502  /* 9474 too many open objects */

/* 0x26 integrity */
#define DBENG_ERR_KEYVIOL 0x2601  /* 9729 key violation (duplicate in a unique index) */
#define DBENG_ERR_REQUIRED 0x2602 /* 9730 a required field is blank */
#define DBENG_ERR_MINVAL 0x2603   /* 9731 value below the field's minimum */
#define DBENG_ERR_MAXVAL 0x2604   /* 9732 value above the field's maximum */

/* 0x27 invalid requests */
#define DBENG_ERR_INVALIDPARAM 0x2701    /* 9985 invalid parameter */
#define DBENG_ERR_INVALIDHNDL 0x2702     /* 9986 invalid handle */
#define DBENG_ERR_INVALIDFIELD 0x2703    /* 9987 invalid field number */
#define DBENG_ERR_INVALIDDESC 0x2704     /* 9988 invalid field, index or table description */
#define DBENG_ERR_INVALIDBOOKMARK 0x2705 /* 9989 not a bookmark of this table */
#define DBENG_ERR_NOTABLOB 0x2706        /* 9990 field is not a blob field */
#define DBENG_ERR_BLOBNOTOPEN 0x2707     /* 9991 blob is not open in this record buffer */
#define DBENG_ERR_NOTSUPPORTED 0x2708    /* 9992 operation not supported for this object */
#define DBENG_ERR_INVALIDFILTER 0x2709   /* 9993 filter tree does not fit the table */
#define DBENG_ERR_BLOBSTALE 0x270E   /* 9998 blob changed underneath an open read; nothing read */
#define DBENG_ERR_INDEXOPEN 0x272C   /* 10028 index is already open */
#define DBENG_ERR_NOTEXPORTED 0x274F /* 10063 operation not exported by the library */

/* 0x28 locks */
#define DBENG_ERR_RECLOCKED 0x2801   /* 10241 record locked by another cursor */
#define DBENG_ERR_TABLELOCKED 0x2802 /* 10242 table in use or locked elsewhere */
#define DBENG_ERR_BUSY 0x2803        /* 10243 table busy (another writer) */
#define DBENG_ERR_NOTLOCKED 0x2804   /* 10244 record is not locked by this cursor */

/* 0x29 security */
#define DBENG_ERR_NOTSUFRIGHTS 0x2901 /* 10497 wrong password */
#define DBENG_ERR_NEEDPASSWORD 0x2902 /* 10498 table needs a password */

/* 0x2A engine state and invocation */
#define DBENG_ERR_NOTINIT 0x2A01       /* 10753 engine not initialised */
#define DBENG_ERR_BADVERSIONREQ 0x2A02 /* 10754 unsupported interface version */
#define DBENG_ERR_ABORTED 0x2A03       /* 10755 operation aborted by a callback */
#define DBENG_ERR_NOTIMPL 0x2A04       /* 10756 operation not built yet */
#define DBENG_ERR_INITNOTEXPORTED                                                                  \
  0x2A06                             /* 10758 "EngInitFn" not exported; also ends the error stack */
#define DBENG_ERR_ALREADYINIT 0x2A07 /* 10759 engine already initialised (accepted) */
#define DBENG_ERR_READONLY 0x2A0B    /* 10763 table is read-only */
#define DBENG_ERR_NOTEDITING 0x2A0C  /* 10764 cursor opened read-only: no changes */

/* ------------------------------------------------------------------ */
/* Handles                                                            */
/* ------------------------------------------------------------------ */

typedef uint32_t hEngSession;
typedef uint32_t hEngDb;
typedef uint32_t hEngCursor; /* table cursors, field/validity/config lists */
typedef uint32_t hEngFilter;
typedef uint32_t hEngLd;  /* language driver */
typedef uint32_t hEngObj; /* any handle, for properties */

#define ENG_HKIND_SESSION 0x01u
#define ENG_HKIND_DATABASE 0x02u
#define ENG_HKIND_CURSOR 0x03u
#define ENG_HKIND_FILTER 0x04u
#define ENG_HKIND_LDRIVER 0x05u
#define ENG_HKIND_CLIENT 0x07u
#define ENG_HANDLE_KIND(h) ((uint32_t)(h) >> 24)

/* ------------------------------------------------------------------ */
/* Widths                                                             */
/* ------------------------------------------------------------------ */

#define ENG_MAXNAMELEN 31
#define ENG_MAXIDXNAMELEN 127
#define ENG_MAXPWLEN 255
#define ENG_MAXPATHLEN 259
#define ENG_MAXMSGLEN 127 /* error texts: 128-byte buffers */
#define ENG_MAXKEYFIELDS 16
#define ENG_BOOKMARK_SIZE 16
#define ENG_INTERFACE_VERSION 300

/* Open and share modes, lock kinds, search conditions */
#define ENG_OPEN_READWRITE 0
#define ENG_OPEN_READONLY 1
#define ENG_SHARE_SHARED 0
#define ENG_SHARE_EXCLUSIVE 1
#define ENG_XLT_NONE 0
#define ENG_XLT_FIELD 2 /* field-level translation (identity for UTF-8) */
#define ENG_NOLOCK 0
#define ENG_READLOCK 1
#define ENG_WRITELOCK 2
#define ENG_KEY_EQ 0 /* EngineSetToKey: exactly the key */
#define ENG_KEY_GT 1 /* greater than */
#define ENG_KEY_GE 2 /* greater than or equal */

#pragma pack(push, 1)

/* ------------------------------------------------------------------ */
/* Environment record of EngInitFn: 588 bytes                          */
/* ------------------------------------------------------------------ */

typedef struct {
  char workDir[261];    /* working folder; empty = the current one */
  char configFile[261]; /* configuration file; empty = the usual search */
  uint16_t forceLocal;  /* reserved, 0 */
  char language[32];    /* language of the engine's texts, "0009" */
  char clientName[32];  /* free text naming the client, may be empty */
} EngEnv;

/* ------------------------------------------------------------------ */
/* Logical field types and subtypes                                    */
/* ------------------------------------------------------------------ */

#define ENG_FLD_UNKNOWN 0
#define ENG_FLD_ZSTRING 1
#define ENG_FLD_DATE 2
#define ENG_FLD_BLOB 3
#define ENG_FLD_BOOL 4
#define ENG_FLD_INT16 5
#define ENG_FLD_INT32 6
#define ENG_FLD_FLOAT 7
#define ENG_FLD_BCD 8
#define ENG_FLD_BYTES 9
#define ENG_FLD_TIME 10
#define ENG_FLD_TIMESTAMP 11
#define ENG_FLD_UINT16 12
#define ENG_FLD_UINT32 13
#define ENG_FLD_VARBYTES 15

#define ENG_SUB_NONE 0
#define ENG_SUB_MONEY 21       /* FLOAT */
#define ENG_SUB_MEMO 22        /* BLOB: text */
#define ENG_SUB_BINARY 23      /* BLOB: bytes */
#define ENG_SUB_FMTMEMO 24     /* BLOB: formatted text */
#define ENG_SUB_OLEOBJ 25      /* BLOB: embedded object */
#define ENG_SUB_GRAPHIC 26     /* BLOB: picture */
#define ENG_SUB_DBSOLEOBJ 27   /* BLOB: foreign embedded object */
#define ENG_SUB_TYPEDBINARY 28 /* BLOB: typed bytes */
#define ENG_SUB_AUTOINC 29     /* INT32: numbered by the engine */

/* ------------------------------------------------------------------ */
/* Field descriptor: 62 bytes                                          */
/* ------------------------------------------------------------------ */

typedef struct {
  uint16_t fieldNum;   /*  0 field number, from 1 */
  char name[32];       /*  2 field name */
  uint16_t type;       /* 34 logical type ENG_FLD_... */
  uint16_t subType;    /* 36 ENG_SUB_... */
  int16_t units1;      /* 38 size: string bytes, BYTES/VARBYTES length, blob in-record
                               size, BCD precision */
  int16_t units2;      /* 40 BCD decimal places */
  uint16_t offset;     /* 42 offset of the value in the record image */
  uint16_t length;     /* 44 width of the value's slot in bytes */
  uint16_t nullOffset; /* 46 offset of the blank flag byte (0 blank, 1 value) */
  uint16_t vchk;       /* 48 1 when the field has a validity check */
  uint16_t rights;     /* 50 0 read/write, 1 read-only (computed by the engine) */
  uint16_t calculated; /* 52 1 when the engine computes the value (autoincrement) */
  uint8_t reserved[8]; /* 54 zero */
} EngFldDesc;

/* A blob slot in a record image (padded with zeros to the slot's width). */
typedef struct {
  int64_t blobId;      /* storage id of the blob, 0 = blank/empty */
  uint32_t size;       /* reserved, 0 */
  uint32_t openHandle; /* engine's mark of an open blob in this buffer, 0 none */
} EngBlobRef;

/* ------------------------------------------------------------------ */
/* Index descriptor                                                    */
/* ------------------------------------------------------------------ */

typedef struct {
  char name[128];                       /* index name; "" for the unnamed primary index */
  char tagName[32];                     /* tag (unused by STANDARD tables, "") */
  char format[32];                      /* "STANDARD" */
  uint16_t indexId;                     /* 1-based number of the index in the table */
  uint16_t primary;                     /* 1 primary index (the default order) */
  uint16_t unique;                      /* 1 unique */
  uint16_t descending;                  /* 1 descending order */
  uint16_t maintained;                  /* 1 (always) */
  uint16_t subset;                      /* 0 */
  uint16_t expression;                  /* 1 expression index (never for STANDARD tables) */
  uint16_t caseInsensitive;             /* 1 text keys compare ignoring case */
  uint16_t fieldCount;                  /* number of key fields */
  uint16_t keyLength;                   /* bytes of a key buffer (= record size) */
  uint16_t outOfDate;                   /* 0 */
  uint16_t keyFields[ENG_MAXKEYFIELDS]; /* field numbers of the key, in order */
  char keyExpression[220];
  char keyCondition[220];
  uint8_t reserved[16];
} EngIdxDesc;

/* ------------------------------------------------------------------ */
/* Validity-check descriptor                                           */
/* ------------------------------------------------------------------ */

typedef struct {
  uint16_t fieldNum;   /* field number, from 1 */
  uint16_t required;   /* 1 the field may not be blank */
  uint16_t hasMin;     /* minVal holds a minimum */
  uint16_t hasMax;     /* maxVal holds a maximum */
  uint16_t hasDefault; /* defVal holds a default value */
  uint8_t minVal[256]; /* values in the field's slot format (record image) */
  uint8_t maxVal[256];
  uint8_t defVal[256];
  char picture[176];   /* picture mask, "" none (checked by the client) */
  uint16_t lookupType; /* 0 */
  char lookupTable[260];
} EngVChkDesc;

/* ------------------------------------------------------------------ */
/* Cursor and record properties                                        */
/* ------------------------------------------------------------------ */

#define ENG_RECNO_NONE 0     /* records carry no number */
#define ENG_RECNO_SEQUENCE 1 /* records carry their sequence number */
#define ENG_RECNO_PHYSICAL 2 /* records carry a physical number */

typedef struct {
  char name[260];          /* table name as given at open */
  char fullName[260];      /* full file name */
  char driverType[32];     /* "NATIVE" for tables of a STANDARD database; "CONFIG", "FIELDS",
                              "VALCHECKS" for lists */
  char indexName[128];     /* current index, "" primary or none */
  char languageDriver[32]; /* "UTF8" */
  uint16_t fieldCount;
  uint16_t recordSize;   /* bytes of a record image */
  uint16_t bookmarkSize; /* ENG_BOOKMARK_SIZE */
  uint16_t keySize;      /* bytes of a key buffer (= recordSize) */
  uint16_t indexCount;
  uint16_t validityCheckCount;
  uint16_t keyFieldCount;  /* fields of the current index, 0 for none */
  uint16_t openMode;       /* ENG_OPEN_... actually in force */
  uint16_t shareMode;      /* ENG_SHARE_... */
  uint16_t canModify;      /* 1 when changes are allowed through this cursor */
  uint16_t uniDirectional; /* 0 */
  uint16_t recNumbering;   /* ENG_RECNO_... */
  uint16_t blobFieldCount;
  uint16_t hasPassword; /* 1 when the table is password-protected */
  uint16_t tableLevel;  /* format version of the table file */
  uint16_t filterCount; /* filters attached to this cursor */
  uint8_t reserved[32];
} EngCurProps;

typedef struct {
  uint32_t seqNum;     /* sequence number when the cursor numbers records, else 0 */
  uint32_t physRecNum; /* low 32 bits of the row id */
  int64_t rowId;       /* row id in the table file */
  uint16_t recStatus;  /* 0 unmodified (1 modified, 2 inserted, 3 deleted: client use) */
  uint16_t locked;     /* 1 when this cursor holds a lock on the record */
  uint8_t reserved[12];
} EngRecProps;

/* ------------------------------------------------------------------ */
/* Databases, sessions, configuration                                  */
/* ------------------------------------------------------------------ */

typedef struct {
  char name[32];      /* alias name */
  char text[128];     /* description */
  char physName[260]; /* folder of a STANDARD database */
  char dbType[32];    /* driver type, "STANDARD" */
} EngDbDesc;

typedef struct {
  char name[32]; /* session name ("Default" for the first) */
  char netDir[260];
  char privateDir[260];
  uint16_t databaseCount; /* open databases of the session */
  uint16_t cursorCount;   /* open cursors of the session */
  uint16_t passwordCount;
  uint16_t cfgMode;
  uint8_t reserved[16];
} EngSesInfo;

/* Record of a configuration list (EngineOpenConfigList). */
typedef struct {
  char name[32];   /* entry or node name */
  char value[256]; /* value; "" for a node */
  char description[128];
  uint16_t isNode; /* 1 when the record names a sub-path, not an entry */
  uint16_t type;   /* 1 text */
} EngCfgDesc;

#define ENG_CFGMODE_ALL 0     /* file and session entries */
#define ENG_CFGMODE_SESSION 1 /* writes go to the session (in memory), never to the file */
#define ENG_CFGMODE_DEFAULT 2 /* as ALL */

/* Property numbers (EngineGetProperty / EngineSetProperty). Text values are
 * read into the caller's buffer; text values are set by passing the text's
 * address cast to uint64_t. */
#define ENG_PROP_SES_NETDIR 0x20002u        /* session: network folder, text 256 */
#define ENG_PROP_SES_CFGMODE 0x20003u       /* session: configuration mode, uint16 */
#define ENG_PROP_DB_DRIVERTYPE 0x40002u     /* database: driver type, text 64 (read-only) */
#define ENG_PROP_DB_FLAG4 0x40004u          /* database: client flag, uint16 (kept) */
#define ENG_PROP_DB_FLAG5 0x40005u          /* database: client flag, uint16 (kept) */
#define ENG_PROP_DB_DIRECTORY 0x40008u      /* database: folder, text 260 (read-only) */
#define ENG_PROP_DB_TRACE 0x4040007u        /* database: trace flags, uint32 (kept) */
#define ENG_PROP_CUR_UPDATEMODE 0x4050000u  /* cursor: update mode, uint16 (kept) */
#define ENG_PROP_CUR_TABLENAME 0x4050001u   /* cursor: table's full name, text 260 */
#define ENG_PROP_CLIENT_TIMEOUT 0xFF070002u /* client object: wait limit, uint32 (kept) */

#define ENG_OBJ_CLIENT 7 /* EngineGetObjectByName: the client object */

/* Table creation (EngineCreateTable). Field descriptors need fieldNum, name,
 * type, subType, units1 and units2; the engine lays out the record. Index
 * descriptors need name, primary, unique, descending, caseInsensitive,
 * fieldCount and keyFields. Validity checks need fieldNum and the flags and
 * values they use. */
typedef struct {
  char name[260];      /* table file name, relative to the database folder */
  char driverType[32]; /* "" or "NATIVE" */
  char password[256];  /* "" = not protected */
  uint16_t overwrite;  /* 1 replaces an existing file */
  uint16_t fieldCount;
  const EngFldDesc *fields;
  uint16_t indexCount;
  const EngIdxDesc *indexes;
  uint16_t checkCount;
  const EngVChkDesc *checks;
} EngTableDesc;

#pragma pack(pop)

/* ------------------------------------------------------------------ */
/* Callbacks                                                           */
/* ------------------------------------------------------------------ */

#define ENG_CB_SERVERYIELD 20 /* 4-byte buffer: uint32 reason (2 = no yield wanted) */
#define ENG_CB_SERVERCALL 21  /* 4-byte buffer: uint32 1 a long call starts, 0 it ended */
#define ENG_CB_TRACE 27       /* 8199-byte buffer (never called by this engine) */
#define ENG_CB_DBLOGIN 28     /* 80-byte EngDbLoginInfo (never called by this engine) */

#define ENG_CBR_CONTINUE 0
#define ENG_CBR_ABORT 2
#define ENG_CBR_HANDLED 4

#pragma pack(push, 1)
typedef struct {
  char dbName[32];
  hEngDb hDb;
  uint16_t reply;
  uint16_t reserved1;
  char dbType[32];
  uint8_t reserved2[8];
} EngDbLoginInfo; /* 80 bytes */
#pragma pack(pop)

/* General callback: the type, the client value given at registration and
 * the registered buffer. The result is ENG_CBR_... */
typedef uint16_t (*EngCallbackFn)(uint16_t cbType, uint64_t clientData, void *cbBuf);

/* Record filter: the client value, the candidate record image (read-only) and
 * its physical number. Non-zero accepts the record. */
typedef int16_t (*EngRecFilterFn)(uint64_t clientData, const void *record, uint32_t physRecNum);

/* ------------------------------------------------------------------ */
/* Filter tree format                                                  */
/* ------------------------------------------------------------------ */

#define ENG_FILTER_VERSION 2
#define ENG_FILTER_VERSION_FIXED 1 /* fixed 14-byte nodes */
#define ENG_FILTER_HEADER_SIZE 10
#define ENG_FILTER_NODECOUNT_ANY 0xFFFF
#define ENG_FILTER_FIXED_NODE_SIZE 14

#define ENG_NODE_UNARY 1
#define ENG_NODE_BINARY 2
#define ENG_NODE_COMPARE 3
#define ENG_NODE_FIELD 4
#define ENG_NODE_CONST 5

#define ENG_FOP_ISBLANK 1
#define ENG_FOP_NOTBLANK 2
#define ENG_FOP_EQ 3
#define ENG_FOP_NE 4
#define ENG_FOP_GT 5
#define ENG_FOP_LT 6
#define ENG_FOP_GE 7
#define ENG_FOP_LE 8
#define ENG_FOP_NOT 9
#define ENG_FOP_AND 10
#define ENG_FOP_OR 11
#define ENG_FOP_FIELD 13
#define ENG_FOP_CONST 14
#define ENG_FOP_SUB 15
#define ENG_FOP_ADD 16
#define ENG_FOP_MUL 18
#define ENG_FOP_DIV 19

#define ENG_CONST_ZSTRING 1
#define ENG_CONST_DATE 2
#define ENG_CONST_BOOL 4
#define ENG_CONST_INT16 5
#define ENG_CONST_INT32 6
#define ENG_CONST_FLOAT 7
#define ENG_CONST_BCD 8
#define ENG_CONST_TIME 10
#define ENG_CONST_TIMESTAMP 11
#define ENG_CONST_UINT16 12

/* ------------------------------------------------------------------ */
/* Operation numbers                                                   */
/* ------------------------------------------------------------------ */

#define ENG_OP_OPENDATABASE 4
#define ENG_OP_CLOSEDATABASE 5
#define ENG_OP_OPENTABLE 6
#define ENG_OP_GETCURSORPROPERTIES 7
#define ENG_OP_GETFIELDDESCRIPTORS 9
#define ENG_OP_CLOSECURSOR 12
#define ENG_OP_SETTOBEGIN 13
#define ENG_OP_SETTOEND 14
#define ENG_OP_SETTOCURSOR 15
#define ENG_OP_GETNEXTRECORD 16
#define ENG_OP_GETPRIORRECORD 17
#define ENG_OP_GETRECORD 18
#define ENG_OP_GETRECORDCOUNT 21
#define ENG_OP_INSERTRECORD 22
#define ENG_OP_MODIFYRECORD 23
#define ENG_OP_DELETERECORD 24
#define ENG_OP_GETSEQUENCENUMBER 25
#define ENG_OP_SETRANGE 28
#define ENG_OP_RESETRANGE 29
#define ENG_OP_SETTOKEY 30
#define ENG_OP_SETDIRECTORY 32
#define ENG_OP_OPENFIELDLIST 36
#define ENG_OP_OPENVALIDITYLIST 38
#define ENG_OP_RELEASERECORDLOCK 62
#define ENG_OP_FORCEREREAD 66
#define ENG_OP_STARTSESSION 70
#define ENG_OP_SETCURRENTSESSION 71
#define ENG_OP_GETCURRENTSESSION 72
#define ENG_OP_CLOSESESSION 73
#define ENG_OP_ADDPASSWORD 74
#define ENG_OP_DROPPASSWORD 75
#define ENG_OP_SETPRIVATEDIR 78
#define ENG_OP_GETDATABASEDESCRIPTOR 83
#define ENG_OP_OPENBLOB 100
#define ENG_OP_GETBLOBSIZE 101
#define ENG_OP_GETBLOB 102
#define ENG_OP_PUTBLOB 103
#define ENG_OP_TRUNCATEBLOB 104
#define ENG_OP_FREEBLOB 105
#define ENG_OP_GETSESSIONINFO 125
#define ENG_OP_REGISTERCALLBACK 206
#define ENG_OP_OPENINDEX 212
#define ENG_OP_CLOSEINDEX 213
#define ENG_OP_SWITCHTOINDEX 214
#define ENG_OP_GETINDEXDESCRIPTOR 215
#define ENG_OP_EXTRACTKEY 216
#define ENG_OP_GETBOOKMARK 217
#define ENG_OP_SETTOBOOKMARK 218
#define ENG_OP_CLONECURSOR 220
#define ENG_OP_INITRECORD 221
#define ENG_OP_GETRECORDFORKEY 254
#define ENG_OP_GETLANGUAGEDRIVER 293
#define ENG_OP_FORMFULLNAME 297
#define ENG_OP_GETERRORSTRING 298
#define ENG_OP_GETERRORENTRY 300
#define ENG_OP_GETCALLBACK 337
#define ENG_OP_ADDCONFIGENTRY 402
#define ENG_OP_DROPCONFIGENTRY 405
#define ENG_OP_FINDCONFIGENTRY 407
#define ENG_OP_LOADLANGUAGEDRIVER 789
#define ENG_OP_UNLOADLANGUAGEDRIVER 808
#define ENG_OP_GETTABLEDRIVERNAME 832
#define ENG_OP_ADDFILTER 840
#define ENG_OP_DROPFILTER 841
#define ENG_OP_ACTIVATEFILTER 842
#define ENG_OP_DEACTIVATEFILTER 843
#define ENG_OP_GETDATABASEDRIVERNAME 871
#define ENG_OP_OPENCONFIGLIST 1063
#define ENG_OP_GETINDEXDESCRIPTORS 1067
#define ENG_OP_NATIVETOANSI 1069
#define ENG_OP_ANSITONATIVE 1070
#define ENG_OP_GETPROPERTY 1071
#define ENG_OP_SETPROPERTY 1072
#define ENG_OP_GETOBJECTBYNAME 1073
#define ENG_OP_GETVALIDITYCHECK 1097
#define ENG_OP_ENDCACHEDUPDATES 1162
#define ENG_OP_BEGINCACHEDUPDATES 1163
/* Operations of this engine that the numbered list does not name. */
#define ENG_OP_GETFIELD 2001
#define ENG_OP_PUTFIELD 2002
#define ENG_OP_CREATETABLE 2003
#define ENG_OP_CHANGETABLEPASSWORD 2004

/* Numbers the loader binds but this engine does not export (EngGetProc gives
 * NULL, so a call ends with DBENG_ERR_NOTEXPORTED): 65, 120, 131-137 (query
 * statements), 207, 219, 222, 234, 845, 1068, 1078, 1121-1123 (stored
 * procedure parameters). */

/* ------------------------------------------------------------------ */
/* Exports by name                                                     */
/* ------------------------------------------------------------------ */

/* version must be ENG_INTERFACE_VERSION; env may be NULL. A second call while
 * the engine runs gives DBENG_ERR_ALREADYINIT and is not counted: only a call
 * that returned DBENG_OK is ended by EngExit. */
typedef DBResult (*EngInitFnFn)(uint16_t version, const EngEnv *env);
/* Ends one use; the last one closes every session, database and cursor. */
typedef DBResult (*EngExitFn)(void);
/* The entry for an operation number, or NULL when not exported. */
typedef void *(*EngGetProcFn)(uint16_t number);

typedef struct {
  uint16_t version;      /* 1 */
  const char *libName;   /* the name the client loaded, e.g. "DBENG32.DLL" */
  const char *clientTag; /* three letters naming the client */
} EngDllInit;
typedef DBResult (*EngDllInitFn)(const EngDllInit *info);

#define ENG_EXPORT_INIT "EngInitFn"
#define ENG_EXPORT_EXIT "EngExit"
#define ENG_EXPORT_GETPROC "EngGetProc"
#define ENG_EXPORT_DLLINIT "DLLINITFUNCTION"

/* ------------------------------------------------------------------ */
/* Operation signatures                                                */
/* ------------------------------------------------------------------ */

/* Sessions and passwords. The current session is the one every other
 * operation works in; the default session exists from EngInitFn on. */
typedef DBResult (*EngFn_GetCurrentSession)(hEngSession *phSes);
typedef DBResult (*EngFn_StartSession)(const char *name, hEngSession *phSes, const char *netDir);
typedef DBResult (*EngFn_SetCurrentSession)(hEngSession hSes); /* 0 = the default session */
typedef DBResult (*EngFn_CloseSession)(hEngSession hSes);
typedef DBResult (*EngFn_AddPassword)(const char *password);
typedef DBResult (*EngFn_DropPassword)(const char *password); /* NULL drops all */
typedef DBResult (*EngFn_SetPrivateDir)(const char *dir);
typedef DBResult (*EngFn_GetSessionInfo)(EngSesInfo *info);

/* Databases. dbName is an alias of the configuration, or NULL/"" for a
 * STANDARD database on the current folder (EngineSetDirectory then moves it).
 * dbType NULL/"" or "STANDARD". */
typedef DBResult (*EngFn_OpenDatabase)(const char *dbName, const char *dbType, uint16_t openMode,
                                       uint16_t shareMode, const char *password, uint16_t optCount,
                                       const EngFldDesc *optDescs, const void *optValues,
                                       hEngDb *phDb);
typedef DBResult (*EngFn_CloseDatabase)(hEngDb hDb);
typedef DBResult (*EngFn_SetDirectory)(hEngDb hDb, const char *dir);
/* fullName receives up to 260 bytes. */
typedef DBResult (*EngFn_FormFullName)(hEngDb hDb, const char *tableName, const char *driverType,
                                       char *fullName);
typedef DBResult (*EngFn_GetDatabaseDescriptor)(const char *alias, EngDbDesc *desc);
/* ldName receives up to 32 bytes: the language driver of the database. */
typedef DBResult (*EngFn_GetDatabaseDriverName)(hEngDb hDb, char *ldName);
/* ldName receives up to 32 bytes: the language driver of a table file. */
typedef DBResult (*EngFn_GetTableDriverName)(const char *fullName, const char *driverType,
                                             char *ldName);

/* Configuration. hCfg is 0 (the engine's configuration). Paths are of the
 * form "\DATABASES\sound\DB INFO". An entry is written from a parameter list:
 * one field descriptor per parameter (fieldNum, name, type 1, offset and
 * length of the value in record) and one record holding the values. */
typedef DBResult (*EngFn_OpenConfigList)(uint32_t hCfg, uint16_t openMode, uint16_t cfgMode,
                                         const char *path, hEngCursor *phCur);
typedef DBResult (*EngFn_AddConfigEntry)(uint32_t hCfg, uint16_t cfgMode, const char *path,
                                         uint16_t count, const EngFldDesc *descs,
                                         const void *values, uint16_t createPath);
typedef DBResult (*EngFn_DropConfigEntry)(uint32_t hCfg, uint16_t cfgMode, const char *path);
/* 0 when the path exists (as a section or as the start of one), else
 * DBENG_ERR_NOCONFIGENTRY. */
typedef DBResult (*EngFn_FindConfigEntry)(uint32_t hCfg, uint16_t cfgMode, const char *path);

/* Properties and objects. bufLen is the size of buf; *pLen receives the
 * bytes written (may be NULL). */
typedef DBResult (*EngFn_GetProperty)(hEngObj hObj, uint32_t prop, void *buf, uint16_t bufLen,
                                      uint16_t *pLen);
typedef DBResult (*EngFn_SetProperty)(hEngObj hObj, uint32_t prop, uint64_t value);
typedef DBResult (*EngFn_GetObjectByName)(uint16_t objType, const char *name, hEngObj *phObj);

/* Language drivers: "UTF8" is the engine's only character set. The
 * conversions copy src to dst (dst holds len + 1 bytes), cut to len bytes
 * without splitting a character (len 0 = the whole text); *pDataLoss
 * (may be NULL) is 1 when something was cut. hLd 0 means the default. */
typedef DBResult (*EngFn_GetLanguageDriver)(hEngCursor hCur, hEngLd *phLd);
typedef DBResult (*EngFn_LoadLanguageDriver)(hEngLd *phLd, const char *ldName);
typedef DBResult (*EngFn_UnloadLanguageDriver)(hEngLd hLd);
typedef DBResult (*EngFn_NativeToAnsi)(hEngLd hLd, char *dst, const char *src, uint32_t len,
                                       uint16_t *pDataLoss);
typedef DBResult (*EngFn_AnsiToNative)(hEngLd hLd, char *dst, const char *src, uint32_t len,
                                       uint16_t *pDataLoss);

/* Tables and cursors. tableName is relative to the database's folder (an
 * absolute path is taken as is; ".db" is added when there is no extension).
 * driverType NULL/""/"NATIVE". indexName NULL/"" opens in primary order;
 * indexTag and indexId are alternatives (indexId counts from 1, 0 = by name).
 * A file the process may not write, opened read/write, gives
 * DBENG_ERR_READONLY; a protected table none of whose passwords the session
 * holds gives DBENG_ERR_NEEDPASSWORD. params is reserved (NULL). */
typedef DBResult (*EngFn_OpenTable)(hEngDb hDb, const char *tableName, const char *driverType,
                                    const char *indexName, const char *indexTag, uint16_t indexId,
                                    uint16_t openMode, uint16_t shareMode, uint16_t xltMode,
                                    uint16_t uniDirectional, const void *params, hEngCursor *phCur);
typedef DBResult (*EngFn_CloseCursor)(hEngCursor hCur); /* also list cursors */
typedef DBResult (*EngFn_GetCursorProperties)(hEngCursor hCur, EngCurProps *props);
/* descs receives fieldCount descriptors. */
typedef DBResult (*EngFn_GetFieldDescriptors)(hEngCursor hCur, EngFldDesc *descs);
/* seqNo counts from 1 to validityCheckCount. */
typedef DBResult (*EngFn_GetValidityCheck)(hEngCursor hCur, uint16_t seqNo, EngVChkDesc *desc);
/* seqNo 0 = the current index, else 1 to indexCount. With no current index
 * (physical order) seqNo 0 gives DBENG_ERR_OBJNOTFOUND. */
typedef DBResult (*EngFn_GetIndexDescriptor)(hEngCursor hCur, uint16_t seqNo, EngIdxDesc *desc);
/* descs receives indexCount descriptors. */
typedef DBResult (*EngFn_GetIndexDescriptors)(hEngCursor hCur, EngIdxDesc *descs);
/* List cursors without opening the table: records are EngFldDesc /
 * EngVChkDesc, read with EngineGetNextRecord (recordSize in the cursor
 * properties). The same password rules as EngineOpenTable apply. */
typedef DBResult (*EngFn_OpenFieldList)(hEngDb hDb, const char *tableName, const char *driverType,
                                        uint16_t physicalTypes, hEngCursor *phCur);
typedef DBResult (*EngFn_OpenValidityList)(hEngDb hDb, const char *tableName,
                                           const char *driverType, hEngCursor *phCur);
/* Indexes of STANDARD tables are always open: opening an existing one gives
 * DBENG_ERR_INDEXOPEN, an unknown one DBENG_ERR_OBJNOTFOUND; closing gives
 * DBENG_ERR_NOTSUPPORTED. */
typedef DBResult (*EngFn_OpenIndex)(hEngCursor hCur, const char *indexName, uint16_t indexId);
typedef DBResult (*EngFn_CloseIndex)(hEngCursor hCur, const char *indexName, uint16_t indexId);
/* keepCurrent 1 keeps the current record current (DBENG_ERR_NOCURRREC when
 * there is none to keep; the index is then not switched). */
typedef DBResult (*EngFn_SwitchToIndex)(hEngCursor hCur, const char *indexName,
                                        const char *indexTag, uint16_t indexId,
                                        uint16_t keepCurrent);
typedef DBResult (*EngFn_CloneCursor)(hEngCursor hSrc, uint16_t readOnly, uint16_t uniDirectional,
                                      hEngCursor *phNew);

/* Navigation. Reads fill recBuf (may be NULL) and props (may be NULL); the
 * ends are DBENG_ERR_BOF and DBENG_ERR_EOF, which leave the cursor before the
 * first or after the last record. lock is ENG_NOLOCK or ENG_WRITELOCK. */
typedef DBResult (*EngFn_SetToBegin)(hEngCursor hCur);
typedef DBResult (*EngFn_SetToEnd)(hEngCursor hCur);
typedef DBResult (*EngFn_SetToCursor)(hEngCursor hDest, hEngCursor hSrc);
typedef DBResult (*EngFn_GetNextRecord)(hEngCursor hCur, uint16_t lock, void *recBuf,
                                        EngRecProps *props);
typedef DBResult (*EngFn_GetPriorRecord)(hEngCursor hCur, uint16_t lock, void *recBuf,
                                         EngRecProps *props);
typedef DBResult (*EngFn_GetRecord)(hEngCursor hCur, uint16_t lock, void *recBuf,
                                    EngRecProps *props);
/* Within the current index, range and active filters. */
typedef DBResult (*EngFn_GetRecordCount)(hEngCursor hCur, uint32_t *count);
typedef DBResult (*EngFn_GetSequenceNumber)(hEngCursor hCur, uint32_t *seqNum);
typedef DBResult (*EngFn_GetBookmark)(hEngCursor hCur, void *bookmark);
typedef DBResult (*EngFn_SetToBookmark)(hEngCursor hCur, const void *bookmark);
/* Drops what the cursor keeps in memory; the next read sees the file. */
typedef DBResult (*EngFn_ForceReread)(hEngCursor hCur);

/* Editing. Each change is one transaction of the table file. Insert leaves
 * the cursor on the new record; delete leaves it between its neighbours. */
typedef DBResult (*EngFn_InitRecord)(hEngCursor hCur, void *recBuf);
typedef DBResult (*EngFn_InsertRecord)(hEngCursor hCur, uint16_t lock, void *recBuf);
typedef DBResult (*EngFn_ModifyRecord)(hEngCursor hCur, void *recBuf, uint16_t releaseLock);
/* recBuf (may be NULL) receives the deleted record. */
typedef DBResult (*EngFn_DeleteRecord)(hEngCursor hCur, void *recBuf);
/* all 1 releases every lock of the cursor, else the lock on the current record. */
typedef DBResult (*EngFn_ReleaseRecordLock)(hEngCursor hCur, uint16_t all);

/* Fields of a record image. GetField copies the value (the slot's bytes) to
 * dest (may be NULL) and sets *isBlank (may be NULL). PutField stores the
 * value at src, or blank when src is NULL; a text longer than the field is
 * cut without splitting a character. */
typedef DBResult (*EngFn_GetField)(hEngCursor hCur, uint16_t fieldNum, const void *recBuf,
                                   void *dest, uint16_t *isBlank);
typedef DBResult (*EngFn_PutField)(hEngCursor hCur, uint16_t fieldNum, void *recBuf,
                                   const void *src);

/* Keys. fieldCount 0 = every key field; partLen > 0 compares only the first
 * partLen bytes of the last (text) key field. directKey 1 when key came from
 * EngineExtractKey (the two layouts are the same here). */
typedef DBResult (*EngFn_ExtractKey)(hEngCursor hCur, const void *recBuf, void *keyBuf);
/* Positions on the first record (index order) whose key matches; recBuf
 * (may be NULL) receives it. DBENG_ERR_KEYNOTFOUND leaves the cursor where
 * it was. */
typedef DBResult (*EngFn_GetRecordForKey)(hEngCursor hCur, uint16_t directKey, uint16_t fieldCount,
                                          uint16_t partLen, const void *key, void *recBuf);
/* Positions before the first record whose key is (ENG_KEY_GE) greater or
 * equal / (ENG_KEY_GT) greater / (ENG_KEY_EQ) equal; the next
 * EngineGetNextRecord reads it. */
typedef DBResult (*EngFn_SetToKey)(hEngCursor hCur, uint16_t searchCond, uint16_t directKey,
                                   uint16_t fieldCount, uint16_t partLen, const void *key);
/* Restricts the cursor to keys between the bounds (first fieldCount fields
 * of each; a NULL key leaves that side open). Positions at the beginning. */
typedef DBResult (*EngFn_SetRange)(hEngCursor hCur, uint16_t directKey, uint16_t fieldCount1,
                                   uint16_t partLen1, const void *key1, uint16_t incl1,
                                   uint16_t fieldCount2, uint16_t partLen2, const void *key2,
                                   uint16_t incl2);
typedef DBResult (*EngFn_ResetRange)(hEngCursor hCur);

/* Filters. Exactly one of tree and fn is given. Lower priorities are
 * evaluated first; a record passes when every active filter accepts it.
 * Filters die with their cursor. hFilter 0 in activate/deactivate means
 * every filter of the cursor. */
typedef DBResult (*EngFn_AddFilter)(hEngCursor hCur, uint64_t clientData, uint16_t priority,
                                    uint16_t canAbort, const void *tree, EngRecFilterFn fn,
                                    hEngFilter *phFilter);
typedef DBResult (*EngFn_DropFilter)(hEngCursor hCur, hEngFilter hFilter);
typedef DBResult (*EngFn_ActivateFilter)(hEngCursor hCur, hEngFilter hFilter);
typedef DBResult (*EngFn_DeactivateFilter)(hEngCursor hCur, hEngFilter hFilter);

/* Blobs, on the blob field fieldNum of a record buffer. A blob opened
 * read/write on a buffer is kept until EngineFreeBlob or until the record
 * is inserted or modified, which stores it. Reads past the end give the
 * bytes there are and DBENG_ERR_ENDOFBLOB. */
typedef DBResult (*EngFn_OpenBlob)(hEngCursor hCur, void *recBuf, uint16_t fieldNum,
                                   uint16_t openMode);
typedef DBResult (*EngFn_GetBlobSize)(hEngCursor hCur, void *recBuf, uint16_t fieldNum,
                                      uint32_t *size);
typedef DBResult (*EngFn_GetBlob)(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                                  uint32_t len, void *dest, uint32_t *read);
typedef DBResult (*EngFn_PutBlob)(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                                  uint32_t len, const void *src);
typedef DBResult (*EngFn_TruncateBlob)(hEngCursor hCur, void *recBuf, uint16_t fieldNum,
                                       uint32_t len);
typedef DBResult (*EngFn_FreeBlob)(hEngCursor hCur, void *recBuf, uint16_t fieldNum);

/* Errors. msg receives up to 128 bytes. The error stack describes the last
 * failed operation: entry 1 is its code with details, the next entries the
 * underlying causes (native = the storage's own error number); past the end
 * the code is 0. */
typedef DBResult (*EngFn_GetErrorString)(DBResult code, char *msg);
typedef DBResult (*EngFn_GetErrorEntry)(uint16_t entry, DBResult *code, int32_t *native, char *msg);

/* Callbacks, per session (hObj 0 = the current session) or per cursor.
 * fn NULL removes the registration. */
typedef DBResult (*EngFn_RegisterCallback)(hEngObj hObj, uint16_t cbType, uint64_t clientData,
                                           uint16_t bufLen, void *cbBuf, EngCallbackFn fn);
typedef DBResult (*EngFn_GetCallback)(hEngObj hObj, uint16_t cbType, uint64_t *clientData,
                                      uint16_t *bufLen, void **cbBuf, EngCallbackFn *fn);

/* Cached updates are not offered by STANDARD tables: DBENG_ERR_NOTSUPPORTED. */
typedef DBResult (*EngFn_BeginCachedUpdates)(hEngCursor hCur, hEngCursor *phCached);
typedef DBResult (*EngFn_EndCachedUpdates)(hEngCursor hCur, hEngCursor hCached, uint16_t commit);

/* Table creation and passwords (STANDARD databases). ChangeTablePassword
 * needs the table's present password among the session's passwords; an
 * empty newPassword removes the protection. */
typedef DBResult (*EngFn_CreateTable)(hEngDb hDb, const EngTableDesc *desc);
typedef DBResult (*EngFn_ChangeTablePassword)(hEngDb hDb, const char *tableName,
                                              const char *driverType, const char *newPassword);

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(EngEnv) == 588, "environment record is 588 bytes");
static_assert(sizeof(EngFldDesc) == 62, "field descriptor is 62 bytes");
static_assert(sizeof(EngDbLoginInfo) == 80, "login buffer is 80 bytes");
#endif

#endif /* DBENG_H */
