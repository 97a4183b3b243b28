/* toolbox: the general-purpose utility library, one public header.
 *
 * Conventions
 *  - Plain C functions with CamelCase names, object or verb first.
 *  - Results are signed 32-bit codes: 0 (or a documented positive value) is success,
 *    negative is failure. The library's own codes are the TbErr... constants below;
 *    codes of the run-time engine's user-interface library (magnitude below 1000,
 *    for example -12 out of memory, -65 null argument) pass through unchanged.
 *    List operations report 1 or 0 instead.
 *  - A caller's programming error named in a function's contract (typically a null
 *    pointer where an object is required) goes to DoAssert, which shows the text in a
 *    popup titled "Assert" and aborts. No other failure aborts or is logged.
 *  - Memory that a function creates for the caller is freed as its contract says:
 *    with free() for heap strings, with the family's dispose function otherwise.
 *  - Paths are zero-terminated 8-bit strings of at most 259 characters (260-byte
 *    buffers, TB_MAX_PATHNAME_LEN).
 *  - Functions that call the engine where failure is ordinary switch the engine's
 *    break-on-library-errors setting off for the call and leave it as they found it.
 */
#ifndef TOOLBOX_H
#define TOOLBOX_H

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <time.h>

#include "rte_ui.h"

#if defined(_WIN32) && defined(TOOLBOX_BUILDING_DLL)
#  define TOOLBOX_API __declspec(dllexport)
#elif defined(_WIN32) && defined(TOOLBOX_DLL)
#  define TOOLBOX_API __declspec(dllimport)
#elif defined(__GNUC__)
#  define TOOLBOX_API __attribute__((visibility("default")))
#else
#  define TOOLBOX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define TB_MAX_PATHNAME_LEN 260

/* The library's error codes; their messages come from GetToolboxErrorString. */
enum {
    TbErrFileOpenForReading = -5001,
    TbErrFileRead = -5002,
    TbErrNoTempFileName = -5003,
    TbErrTempFileCreate = -5004,
    TbErrFileFormat = -5005,
    TbErrUnexpectedEof = -5006,
    TbErrInvalidInteger = -5021,
    TbErrInvalidUnsigned = -5022,
    TbErrInvalidFloat = -5023,
    TbErrInvalidBoolean = -5024,
    TbErrMissingSection = -5025,
    TbErrMissingItem = -5026,
    TbErrUnrecognizedValue = -5027,
    TbErrOperationInProgress = -5050,
    TbErrTooManyItems = -5051,
    TbErrDuplicateItem = -5052,
    TbErrNotChildPanel = -5060,
    TbErrRegKeyOpen = -5065,
    TbErrRegValueSet = -5066,
    TbErrRegValueAccess = -5067,
    TbErrRegValueMissing = -5068,
    TbErrRegValueType = -5069,
    TbErrRegKeyMissing = -5070,
    TbErrOutOfMemory = -5071,
    TbErrInvalidDisplayItem = -5075,
    TbErrMsgCallbackNotInstalled = -5080,
    TbErrMsgCallbackInstalled = -5081,
    TbErrPanelNotTopLevel = -5082,
    TbErrPanelNoCallback = -5083,
    TbErrDragDropNotEnabled = -5084,
    TbErrInvalidMsgCallbackMode = -5085,
    TbErrNoTrayMenu = -5087,
    TbErrInvalidTrayMenuItem = -5088,
    TbErrInvalidTrayIcon = -5089,
    TbErrIconLoad = -5090,
    TbErrSystemDllLoad = -5093,
    TbErrSystemFunctionMissing = -5094,
    TbErrUnknownSystem = -5095
};

/* ======================================================================== */
/* Assertions and library-error breaking                                    */

/* Returns at once when passed is nonzero. Otherwise composes "Assert!\n\n<message>\n\n
 * The error was detected on line <line> of file '<fileName>'.\n\nProgram aborting."
 * (message null: "Programming error detected.") in a 256-byte buffer, shows it with
 * MessagePopup("Assert", ...) and aborts. A text too long for the buffer keeps its
 * fixed parts, line and file name; the message is shortened and ends in "...". */
TOOLBOX_API void DoAssert(int passed, const char *fileName, int line, const char *message);

/* Switches the engine's break-on-library-errors setting on (nonzero) or off and
 * returns the setting as it was. Usual use: old = SetBOLE(0); ...; SetBOLE(old). */
TOOLBOX_API int SetBOLE(int on);

/* Discards a control (when control > 0) or a panel (when panel > 0) with breaking on
 * library errors off: an object already gone (or never made) neither interrupts the
 * program nor is reported, every error is ignored, and the setting is left as it was
 * found. With clearCallbackFirst nonzero the object's callback hears nothing of the
 * discard; links chained onto it (ChainCtrlCallback, ChainPanelCallback) still hear it
 * and are freed. */
TOOLBOX_API void DiscardCtrlNoBOLE(int panel, int control, int clearCallbackFirst);
TOOLBOX_API void DiscardPanelNoBOLE(int panel, int clearCallbackFirst);

/* end of Assertions and library-error breaking                             */
/* ======================================================================== */

/* ======================================================================== */
/* Error strings                                                            */

/* The message of any error code, never null: user-interface codes (magnitude below
 * 1000) from the engine, library codes (5000 to 5999), the language-file code (6000)
 * and the data-acquisition driver's codes (10000 to 10999); anything else gives
 * "No description available. ". Static text: do not change or free it. */
TOOLBOX_API char *GetGeneralErrorString(int errorCode);

/* The message of a library code (TbErr...); a code and its negation give the same
 * text, a code without an entry "No description available. ". Static text. */
TOOLBOX_API char *GetToolboxErrorString(int errorCode);

/* end of Error strings                                                     */
/* ======================================================================== */

/* ======================================================================== */
/* Event names                                                              */

/* The name of a user-interface event: "EVENT_COMMIT" ... "EVENT_DISCARD" for 1 to 16,
 * "Event <number>" for any other number. The text must not be changed or freed; a
 * formatted one lives in the calling thread's own buffer until that thread's next
 * call (other threads do not disturb it). */
TOOLBOX_API char *UILEventString(int event);

/* end of Event names                                                       */
/* ======================================================================== */

/* ======================================================================== */
/* Files                                                                    */

/* 1 when the file exists, 0 when it does not, -12 (out of memory) or -93 (any other
 * failure). When size is not null it receives the size in bytes, or -1 when the file
 * is absent or the call failed; sizes above INT_MAX are reported as INT_MAX. */
TOOLBOX_API int FileExists(const char *path, int *size);

/* Whether path could be written, into *writable (1 or 0): an existing file is opened
 * for update (contents untouched), a missing one is created exclusively and removed
 * again; nothing that is there is ever changed (a dangling link is not writable).
 * Returns 0, -91 (too many files open) or -93; -65 for a null argument. */
TOOLBOX_API int GetFileWritability(const char *path, int *writable);

/* Removes the file if it is there (never a folder); reports nothing. A null path does
 * nothing. */
TOOLBOX_API void RemoveFileIfExists(const char *path);

/* Replaces target by source: removes target, then renames source to target. Returns
 * 0, -12, -93, -94, -95, -97 or -100. Nothing is removed when a path is refused (-100),
 * the source is missing (-94) or either path is a folder (-93). Source and target that
 * are one file (another spelling, a link) are left as they are, with 0. When the rename
 * itself fails the target is already gone and the source is unchanged. */
TOOLBOX_API int DeleteAndRename(const char *source, const char *target);

/* Size of an open stream's file into *size; the stream's position is kept. 0, -93, or
 * -65 for a null argument. */
TOOLBOX_API int BinaryFileSize(FILE *stream, long *size);

/* end of Files                                                             */
/* ======================================================================== */

/* ======================================================================== */
/* Registry                                                                 */

#ifdef _WIN32
/* Registry family: the root key is a Windows predefined key by value (0x80000001
 * current user, 0x80000002 local machine), the subkey name is required, sizes are in
 * bytes. Codes: -65 null required pointer (nothing opened), TbErrRegKeyMissing,
 * TbErrRegKeyOpen, TbErrRegValueMissing, TbErrRegValueType, TbErrRegValueAccess,
 * -57 buffer smaller than the stored data. Keys are opened per call and always closed. */

/* Reads a plain string value (type 1; expandable strings are refused) of subkeyName;
 * a null valueName reads the default value. *realSize receives the stored size
 * (terminator included when stored with one) once the value is found, and after a read
 * the bytes actually received (fewer when the value shrank meanwhile). A null buffer
 * asks for the size only. On failure the buffer is untouched (TbErrRegValueAccess when
 * the value changed type meanwhile, TbErrOutOfMemory when a value above 256 bytes finds
 * no scratch room). A terminator is added behind data stored without one when
 * bufferSize leaves room for it. */
TOOLBOX_API int RegReadString(unsigned int rootKey, const char *subkeyName,
                              const char *valueName, unsigned char *buffer,
                              unsigned int bufferSize, unsigned int *realSize);

/* Writers create the key (and any missing levels) or open it, store one value and close
 * it: -65 for a null required pointer (nothing created), TbErrRegKeyOpen when the key
 * cannot be created or opened, TbErrRegValueSet when the value cannot be stored. */

/* Stores string as a plain string value (type 1) WITH its terminator: the stored size
 * is its length + 1. A null valueName writes the default value. Keys it creates get the
 * class "DfltClass". */
TOOLBOX_API int RegWriteString(unsigned int rootKey, const char *subkeyName,
                               const char *valueName, const char *string);

/* Stores count string values as RegWriteString does, valueNames[i] = strings[i] (a null
 * name is the default value). -14 when count < 1 (nothing created). A null strings[i]
 * stops the loop with -65, a store failure with TbErrRegValueSet; the values stored
 * before the stop stay stored. */
TOOLBOX_API int RegWriteStringArray(unsigned int rootKey, const char *subkeyName, int count,
                                    const char *valueNames[], const char *strings[]);

/* Stores size bytes of data as a binary value (type 3); valueName is required. Keys it
 * creates get the empty class. */
TOOLBOX_API int RegWriteBinary(unsigned int rootKey, const char *subkeyName,
                               const char *valueName, const unsigned char *data,
                               unsigned int size);

/* Reads a binary value (type 3) like RegReadString: *realSize receives the stored size;
 * a null buffer asks for the size only; -57 (buffer untouched) when bufferSize is
 * smaller. After a read *realSize holds the bytes actually received; on failure the
 * buffer is untouched. */
TOOLBOX_API int RegReadBinary(unsigned int rootKey, const char *subkeyName,
                              const char *valueName, unsigned char *buffer,
                              unsigned int bufferSize, unsigned int *realSize);

/* Stores the 32-bit value as a number: type 5 when bigEndian is nonzero, else type 4.
 * Both hold the same four bytes in memory order; only the type differs. */
TOOLBOX_API int RegWriteULong(unsigned int rootKey, const char *subkeyName,
                              const char *valueName, unsigned int value, int bigEndian);

/* Reads a number of type 5 (bigEndian nonzero) or type 4 into *value, bytes as stored.
 * The other number type or any other type: TbErrRegValueType. Stored data longer than
 * 4 bytes: -57; shorter: TbErrRegValueAccess. *value is written only on success. */
TOOLBOX_API int RegReadULong(unsigned int rootKey, const char *subkeyName,
                             const char *valueName, unsigned int *value, int bigEndian);

/* Asks the key for its number of subkeys and values, its longest subkey name and value
 * name (characters, no terminator) and its largest value data (bytes). Each output may
 * be null. TbErrRegValueAccess when the key cannot be asked; outputs untouched then. */
TOOLBOX_API int RegQueryInfoOnKey(unsigned int rootKey, const char *subkeyName,
                                  unsigned int *subkeyCount, unsigned int *valueCount,
                                  unsigned int *longestSubkeyName,
                                  unsigned int *longestValueName,
                                  unsigned int *largestValueData);

/* The value at index (0-based; the system's order, not sorted by the library). Every
 * pointer but subkeyName may be null; *nameLength is required with nameBuffer (in: the
 * name capacity in characters, out: the name's length) and *dataSize with dataBuffer
 * (in: capacity, out: the value's size). The name buffer receives the name AND its
 * terminator: it must hold *nameLength + 1 bytes; nothing beyond them is written.
 * -57 when the name or the data does not fit (lengths stored, nothing copied);
 * TbErrRegValueAccess for an index outside the values or a value that changed while it
 * was read; TbErrOutOfMemory when a name longer than 259 bytes finds no room for it.
 * *type receives the value's type, 0 for codes above 10. */
TOOLBOX_API int RegEnumerateValue(unsigned int rootKey, const char *subkeyName, int index,
                                  char *nameBuffer, unsigned int *nameLength,
                                  unsigned char *dataBuffer, unsigned int *dataSize,
                                  int *type);
#endif

/* end of Registry                                                          */
/* ======================================================================== */

/* ======================================================================== */
/* System information and settings                                          */

#ifdef _WIN32
/* Thin wrappers around the system's queries and settings. Outputs called optional may
 * be null and are then skipped. Codes: -65 a required pointer is null (checked first,
 * nothing done), TbErrUnknownSystem when a system call failed. Getters that fill
 * several outputs fill every one they can and report the failure afterwards. */

/* An unsigned 64-bit quantity as two 32-bit words, the low word first. */
typedef struct UInt64Type {
    unsigned int low;
    unsigned int high;
} UInt64Type;

/* The system colour of displayItem (the system's colour indexes 0 to 20) into *colour
 * as 0xRRGGBB. -65 for a null colour, TbErrInvalidDisplayItem for another item. */
TOOLBOX_API int GetWindowsColor(int displayItem, int *colour);

/* The computer's name into name (room for 16 bytes, required; nothing beyond them is
 * written). TbErrUnknownSystem when the system refuses, for a longer name too. */
TOOLBOX_API int GetCompName(char *name);

/* The Windows folder and the system folder into buffers of 260 bytes, both optional.
 * A folder that cannot be had is left empty ("") and gives TbErrUnknownSystem; the
 * other is still filled. */
TOOLBOX_API int GetWindowsDirs(char *windowsDir, char *systemDir);

/* The system's version: major, minor, the low 16 bits of the build number and the
 * platform id, all optional. TbErrUnknownSystem (outputs untouched) on failure. */
TOOLBOX_API int GetWinOSVersion(int *major, int *minor, int *build, int *platform);

/* The keyboard's type and number of function keys and the session's repeat delay
 * (usually 0 to 3) and repeat speed (usually 0 to 31), all optional. A query that fails
 * leaves its output as it was and gives TbErrUnknownSystem; the others are filled. */
TOOLBOX_API int GetKeyboardPreferences(int *keyboardType, int *functionKeys, int *repeatDelay,
                                       int *repeatSpeed);

/* Sets the repeat delay, then the repeat speed, for the session only (the user's profile
 * is not written, no change is broadcast). TbErrUnknownSystem when the delay cannot be
 * read or set; when the speed cannot be set the delay found before is put back. */
TOOLBOX_API int SetKeyboardPreferences(int repeatDelay, int repeatSpeed);

/* Whether the screen saver is active and its timeout in seconds, both optional. A
 * failure to read the active state gives TbErrUnknownSystem before the timeout is read. */
TOOLBOX_API int GetScreenSaver(int *active, int *timeout);

/* With active nonzero stores screenSaverFile (required then: -65) in the user's
 * "Control Panel\Desktop" value "SCRNSAVE.EXE" (TbErrUnknownSystem and nothing else
 * done when that fails); then sets the active state and the timeout (seconds), telling
 * the running programs. A failed step gives TbErrUnknownSystem; the next is still tried. */
TOOLBOX_API int SetScreenSaver(int active, int timeout, const char *screenSaverFile);

/* Stores "1" (tile nonzero) or "0" in the user's "Control Panel\Desktop" value
 * "TileWallpaper" and imageFile (required) in "Wallpaper", then makes the system show
 * it. TbErrUnknownSystem when a value cannot be stored (the rest is not done) or the
 * system refuses the image (the values stay stored). */
TOOLBOX_API int SetWallpaper(int tile, const char *imageFile);

/* Reads the wallpaper settings: *tile from "TileWallpaper" (one decimal digit) and the
 * image's path into imageFile (260 bytes); both required. TbErrUnknownSystem when a
 * value is missing, too long or not of that form; both outputs are then untouched. */
TOOLBOX_API int GetWallpaper(int *tile, char *imageFile);

/* The size of the disk holding folder and the bytes on it available to the caller; all
 * required (-65 checked in the order folder, freeBytes, totalBytes). Both outputs are
 * cleared first. Where the system lacks the 64-bit query, the older one is used.
 * TbErrUnknownSystem when the query fails (outputs stay 0). */
TOOLBOX_API int GetDiskSpace(const char *folder, UInt64Type *totalBytes, UInt64Type *freeBytes);

/* 1 when value is greater than number, 0 when equal, -1 when smaller. */
TOOLBOX_API int UInt64TypeCompareUInt(UInt64Type value, unsigned int number);

/* The memory status, each output optional: memory load in percent, total physical
 * memory, total page file, total virtual memory, then the available amounts of the
 * same three, in bytes. An amount above 4294967295 is given as 4294967295. Always 0. */
TOOLBOX_API int GetMemoryInfo(unsigned int *memoryLoad, unsigned int *totalPhysical,
                              unsigned int *totalPageFile, unsigned int *totalVirtual,
                              unsigned int *availablePhysical,
                              unsigned int *availablePageFile,
                              unsigned int *availableVirtual);

/* The name of the user running the process. name (bufferSize bytes; its last byte is
 * never written) may be null to ask for the size only: then 0, with the size needed
 * (terminator included) in *realSize (required: -65). With a name buffer, *realSize
 * receives the characters copied with the terminator, or -57 and the size needed. */
TOOLBOX_API int GetCurrentUser(char *name, int bufferSize, int *realSize);
#endif

/* end of System information and settings                                   */
/* ======================================================================== */

/* ======================================================================== */
/* Binary files                                                             */

/* Streams opened in binary mode. Each function leaves the stream just behind what it
 * consumed, so calls can be chained. A null stream (or pattern, or string out) gives -65.
 *
 * Searches forward from the current position for the count bytes of pattern. A byte
 * that breaks a partial match is not compared with the pattern's start again (1 1 2 is
 * not found in 1 1 1 2). Found: 1, *offset the match's distance from the start position,
 * *filePosition its absolute position, stream just behind the match. Not found: 0,
 * *offset the bytes read, stream at the end. -93 when a position query or seek fails,
 * -14 for a count below 1 (nothing read or stored). offset and filePosition may be
 * null; an offset beyond INT_MAX is stored as INT_MAX. */
TOOLBOX_API int FindBytesInFile(FILE *stream, const char *pattern, int count, int *offset,
                                long *filePosition);

/* Reads up to and including the next zero byte, or up to maximumLength bytes (negative:
 * no limit), into a new string (free it with free()); the zero byte is not part of it.
 * *endOfFile is set when the file ended first, *maximumReached when the limit did;
 * both are cleared first and may be null. 0 or -12; on failure *string is null and the
 * stream is back where it was. Streams that cannot be positioned (pipes) are read too;
 * -93 when memory runs out in the middle of such a read (what was taken is lost). */
TOOLBOX_API int ReadStringFromBinaryFile(FILE *stream, char **string, int maximumLength,
                                         int *endOfFile, int *maximumReached);

/* Reads the next line with its carriage return and line feed ("\r\n") into a new
 * string, as ReadStringFromBinaryFile does with the line's length as the limit (or
 * maximumLength when that is smaller and not negative): after a whole line
 * *maximumReached is set. Without a line end the rest of the file is read. A zero
 * byte ends the string early. Codes, failures and streams as ReadStringFromBinaryFile. */
TOOLBOX_API int ReadLineFromBinaryFile(FILE *stream, char **string, int maximumLength,
                                       int *endOfFile, int *maximumReached);

/* Writes byte count times (nothing for a count below 1). 0, or -97 on a short write. */
TOOLBOX_API int WriteByteToFile(FILE *stream, char byte, int count);

/* Writes text with every line feed turned into carriage return and line feed; a null
 * text writes nothing. 0, or -97 on a short write (what came before stays written). */
TOOLBOX_API int WriteStringToFile(FILE *stream, const char *text);

/* end of Binary files                                                      */
/* ======================================================================== */

/* ======================================================================== */
/* Path names                                                               */

/* String work on Windows path names on every platform: the separators are "\\" and,
 * for a drive, ":"; "/" is an ordinary character. Results point into the caller's
 * string. A null path asserts (DoAssert) where noted.
 *
 * The file-name component: behind the last "\\" or ":" that is not the last
 * character (C:\\dir\\ gives dir\\). Asserts on a null path. */
TOOLBOX_API char *FindFileName(const char *path);

/* The extension behind the component's last dot, or the path's end when there is none.
 * A leading dot does not start an extension, nor does a dot followed by more than 254
 * characters. Asserts on a null path. */
TOOLBOX_API char *FindFileExtension(const char *path);

/* The dot before the extension, or the path's end when there is no such dot (a name
 * ending in a dot gives that dot). Asserts on a null path. */
TOOLBOX_API char *FindFileDotPosition(const char *path);

/* Writes fileName with its extension replaced by extension (added when there is none)
 * into newFileName, which may be fileName itself. The caller provides room for the
 * result: exactly the result and its terminator are written. A result longer than 259
 * characters is refused: newFileName becomes "". Asserts on any null argument. */
TOOLBOX_API void ChangeFileNameExtension(const char *fileName, char *newFileName,
                                         const char *extension);

/* Writes fileName with its whole file-name component replaced by newName (drive and
 * folders kept) into newFileName, which may be fileName itself. Room, length limit and
 * null arguments as for ChangeFileNameExtension. */
TOOLBOX_API void ChangeBaseFileName(const char *fileName, char *newFileName,
                                    const char *newName);

/* The path behind a leading drive (any character and a colon), else the path itself;
 * null for null. */
TOOLBOX_API char *SkipDriveName(const char *path);

/* 1 when the path, behind an optional drive, starts with "\\"; 0 otherwise (also for
 * null or empty). */
TOOLBOX_API int IsAbsolutePath(const char *path);

/* end of Path names                                                        */
/* ======================================================================== */

/* ======================================================================== */
/* Temporary files                                                          */

/* Finds a free name in location's folder (drive and folder of location; its file-name
 * part is ignored), made of the first five characters of prefix, a number 0 to 999 and
 * "." extension, and opens it with fopen(name, mode) (a mode the C library accepts).
 * On success 0, the name in fileName (TB_MAX_PATHNAME_LEN bytes) and the stream in
 * *stream (close it with fclose).
 * Failures, with *stream untouched: -91 too many files open, -93 other trouble asking
 * about a name, TbErrNoTempFileName (all 1000 names taken; fileName holds the last
 * one), TbErrTempFileCreate (the free name could not be opened), -100 location too long
 * or a name that would not fit in 259 characters (fileName holds the last name that
 * fitted, if any), -65 a null argument (nothing written). */
TOOLBOX_API int CreateAndOpenTemporaryFile(const char *location, const char *prefix,
                                           const char *extension, const char *mode,
                                           char *fileName, FILE **stream);

/* end of Temporary files                                                   */
/* ======================================================================== */

/* ======================================================================== */
/* Bitmap files                                                             */

/* Writes the engine bitmap as an uncompressed BMP file (40-byte information header,
 * colour table for depths 1, 4 and 8, rows bottom-up padded to 4 bytes, direct pixels
 * as blue, green, red; a 32-bit pixel's unused byte is written as 0). An existing file
 * is replaced. 0 on success; otherwise a code, and no file is left at the name (a file
 * that was there is gone once writing began): the engine's code for a bad bitmap,
 * -141 a depth other than 1, 4, 8, 24 or 32, -65 null name, -12 out of memory; opening
 * fails with -94 (folder not found), -95 (access denied, a folder of that name), -91,
 * -100 (name too long) or -93; writing with -97 (disk full) or -93; closing with -1. */
TOOLBOX_API int SaveBitmapToFile(const char *fileName, int bitmap);

/* Takes the engine's picture of a control (GetScaledCtrlDisplayBitmap: include label,
 * height, width as there) and saves it as SaveBitmapToFile does. The engine's code is
 * passed through when the picture fails; the picture is discarded on every path. */
TOOLBOX_API int SaveCtrlDisplayToFile(int panel, int control, int includeLabel, int height,
                                      int width, const char *fileName);

/* The same for a part of a panel (GetScaledPanelDisplayBitmap: scope, area, height,
 * width as there). */
TOOLBOX_API int SavePanelDisplayToFile(int panel, int scope, Rect area, int height, int width,
                                       const char *fileName);

/* end of Bitmap files                                                      */
/* ======================================================================== */

/* ======================================================================== */
/* Handles                                                                  */

/* A relocatable memory block: the master record stays at one address for the block's
 * whole life, while the storage it points at may move when it is resized. Both come
 * from the C heap and belong to the handle. Bytes a handle gains are zero. */
typedef struct HandleRecord {
    void *data;        /* the current storage (never null for a live handle) */
    unsigned int size; /* the storage size in bytes */
} HandleRecord;
typedef HandleRecord *Handle;

/* A new handle holding numBytes zero bytes (0 is valid); null when memory is short,
 * with nothing leaked. Free it with DisposeHandle. */
TOOLBOX_API Handle NewHandle(unsigned int numBytes);

/* Frees the storage and the master record; null does nothing. */
TOOLBOX_API void DisposeHandle(Handle handle);

/* The storage size in bytes. A null handle is a programming error (DoAssert). */
TOOLBOX_API unsigned int GetHandleSize(Handle handle);

/* Resizes the storage, keeping its first bytes and zeroing those gained. 1 on success,
 * 0 when memory is short (the handle is then unchanged). A null handle: DoAssert. */
TOOLBOX_API int SetHandleSize(Handle handle, unsigned int newSize);

/* end of Handles                                                           */
/* ======================================================================== */

/* ======================================================================== */
/* Lists                                                                    */

/* An ordered, growable sequence of fixed-size items stored contiguously and copied
 * in and out by value. A ListRef is the handle of the list's storage block, which
 * begins with a ListRecord and continues with the items; the block moves whenever it
 * is resized, so pointers into it (ListGetPtrToItem, ListGetDataPtr) are valid only
 * until the next insertion, append, pre-allocation or compaction. Positions are
 * 1-based; ListPosFront and ListPosEnd address the ends. A null ListRef is accepted
 * everywhere and does nothing (lookups give 0 or null). Failures give 0 or null and
 * leave the list exactly as it was. No locking: one thread at a time. */
typedef Handle ListRef;

enum { ListPosFront = -1, ListPosEnd = 0 };

#define LIST_SIGNATURE 0x4C495354u /* "LIST" */

typedef struct ListRecord {
    unsigned int signature; /* LIST_SIGNATURE, written at creation */
    int growthPercent;      /* automatic growth adds capacity * (100 + this) / 100 ... */
    int minGrowth;          /* ... but at least this many slots (beyond the count inserted) */
    int capacity;           /* item slots the block has room for */
    int itemSize;           /* bytes per item, fixed at creation */
    int numItems;           /* items in the list */
    char items[4];          /* the item area starts here */
} ListRecord;

/* Compares two items (or a key and an item): negative, zero or positive. Wherever it
 * may be null, the items are compared byte for byte over the item size. */
typedef int (*ItemCompareFn)(const void *first, const void *second);
/* Called by ListApplyToEach; a negative result stops the walk. */
typedef int (*ItemApplyFn)(int position, void *ptrToItem, void *callbackData);

/* A new empty list (capacity 0, growthPercent 10, minGrowth 4); null when memory is
 * short or itemSize is 0 or less. */
TOOLBOX_API ListRef ListCreate(int itemSize);
/* Frees the list; null does nothing. */
TOOLBOX_API void ListDispose(ListRef list);
/* Frees every item with free(), each read as a pointer (items must be heap pointers or
 * null), then the list. Items smaller than a pointer are not freed. */
TOOLBOX_API void ListDisposePtrList(ListRef list);
/* Empties the list; the storage keeps its capacity. */
TOOLBOX_API void ListClear(ListRef list);
/* Shrinks the storage to exactly the items; unchanged when memory is short. */
TOOLBOX_API void ListCompact(ListRef list);
/* Stores the growth policy unchecked. A policy that would add fewer than no slots adds
 * none beyond the count inserted; one that would outgrow a handle adds only the room
 * needed. */
TOOLBOX_API void ListSetAllocationPolicy(ListRef list, int minGrowth, int growthPercent);
/* Makes room for count more items (exactly the shortfall). 1 when the room exists or
 * was made, 0 for a null list or when memory is short (list unchanged). */
TOOLBOX_API int ListPreAllocate(ListRef list, int count);
/* A new list with the same items and growth policy, capacity = item count; null for a
 * null list or when memory is short. */
TOOLBOX_API ListRef ListCopy(ListRef list);
/* Appends listToAppend's items (list itself may be given: its content doubles); the
 * capacity becomes exactly the new count. 1 on success (also for a null or empty
 * listToAppend), 0 for a null list, differing item sizes or short memory (unchanged). */
TOOLBOX_API int ListAppend(ListRef list, ListRef listToAppend);

/* Inserts count items from ptrToItems (null: zero-filled items) in front of position
 * (1 ... n; n + 1 or ListPosEnd append; ListPosFront is the front, or the end of an
 * empty list). The source may lie inside the list itself. 1 on success; 0 for a null
 * list, count below 1, a position outside those, or short memory (list unchanged). */
TOOLBOX_API int ListInsertItems(ListRef list, const void *ptrToItems, int position, int count);
TOOLBOX_API int ListInsertItem(ListRef list, const void *ptrToItem, int position);
/* Inserts behind the first item equal to ptrToItemToFind, or at the end when none is. */
TOOLBOX_API int ListInsertAfterItem(ListRef list, const void *ptrToItem,
                                    const void *ptrToItemToFind, ItemCompareFn compare);
/* Inserts in front of the first item equal to ptrToItemToFind, or at the front. */
TOOLBOX_API int ListInsertBeforeItem(ListRef list, const void *ptrToItem,
                                     const void *ptrToItemToFind, ItemCompareFn compare);

/* The range operations take position 1 ... n, ListPosFront (1) or ListPosEnd (n) as the
 * first item of count items; a range not wholly inside 1 ... n, a count below 1 or a
 * null item pointer (where one is needed) does nothing. */
TOOLBOX_API void ListReplaceItems(ListRef list, const void *ptrToItems, int position, int count);
TOOLBOX_API void ListReplaceItem(ListRef list, const void *ptrToItem, int position);
/* Removes the items, copying them to itemsDestination first unless it is null. The
 * storage keeps its capacity. */
TOOLBOX_API void ListRemoveItems(ListRef list, void *itemsDestination, int position, int count);
TOOLBOX_API void ListRemoveItem(ListRef list, void *itemDestination, int position);
/* Copies the items to itemsDestination; nothing is written when the range is invalid. */
TOOLBOX_API void ListGetItems(ListRef list, void *itemsDestination, int position, int count);
TOOLBOX_API void ListGetItem(ListRef list, void *itemDestination, int position);

/* The item's address in the storage, or null (null or empty list, invalid position). */
TOOLBOX_API void *ListGetPtrToItem(ListRef list, int position);
/* The item area's address (also when empty), or null for a null list. */
TOOLBOX_API void *ListGetDataPtr(ListRef list);
/* The item size; 0 for a null list. */
TOOLBOX_API int ListGetItemSize(ListRef list);
/* The number of items; 0 for a null list. */
TOOLBOX_API int ListNumItems(ListRef list);
/* 1 when both are the same list (null and null too) or have the same item size, count
 * and bytes; else 0. */
TOOLBOX_API int ListEqual(ListRef first, ListRef second);
/* Position of the first item at or after startingPosition (ListPosFront: 1, ListPosEnd:
 * n) for which compare(ptrToItem, item) is 0; 0 when none, or for a null list or item. */
TOOLBOX_API int ListFindItem(ListRef list, const void *ptrToItem, int startingPosition,
                             ItemCompareFn compare);
/* Keeps the first of every run of equal items, in their order. */
TOOLBOX_API void ListRemoveDuplicates(ListRef list, ItemCompareFn compare);
/* Calls apply(position, item, callbackData) for each item, ascending from 1 or
 * descending from n, reading the count again before every call (apply may remove
 * items). A negative result stops the walk and is returned; otherwise the last result,
 * 0 when nothing was called (also for a null list or callback). */
TOOLBOX_API int ListApplyToEach(ListRef list, int ascending, ItemApplyFn apply, void *callbackData);

/* end of Lists                                                             */
/* ======================================================================== */

/* ======================================================================== */
/* Sorting and searching                                                    */

/* Arrays are a base address, an element count and an element size; element i lies at
 * base + i * size. Every comparison may be null (byte-wise memcmp over the size).
 * Nothing here allocates. A null array or key, a count below 1 or a size below 1 is
 * taken as an empty array. */

/* Bisection search for itemPtr (always the comparison's first argument): the index of
 * a matching element, or -(insertion index) - 1 when there is none. The array must be
 * sorted ascending by compare. Among equal elements any one may be found. */
TOOLBOX_API int BinSearch(const void *array, int numElements, int elementSize,
                          const void *itemPtr, ItemCompareFn compare);
/* Exchanges the contents of two blocks of numBytes bytes (0 or less: nothing). */
TOOLBOX_API void SwapBlock(void *block1, void *block2, int numBytes);
/* Sorts ascending in place; not stable. */
TOOLBOX_API void HeapSort(void *array, int numElements, int elementSize, ItemCompareFn compare);
/* Sorts ascending in place; stable (equal elements keep their order). */
TOOLBOX_API void InsertionSort(void *array, int numElements, int elementSize,
                               ItemCompareFn compare);

/* 1-based position of an item matching ptrToItem in a sorted list, or 0. */
TOOLBOX_API int ListBinSearch(ListRef list, const void *ptrToItem, ItemCompareFn compare);
/* 1 when no item compares greater than the next (also for fewer than 2 items); 0 when
 * one does or for a null list. */
TOOLBOX_API int ListIsSorted(ListRef list, ItemCompareFn compare);
/* Sort a list's items ascending in place: quicksort (not stable), heap sort (not
 * stable), insertion sort (stable). The quicksort finishes any part that lies
 * 2 * floor(log2 n) + 4 partitions deep with the heap sort, so no input makes it
 * quadratic; an input that never gets that deep (random inputs practically never do)
 * is sorted exactly as by the quicksort alone, equal items included. */
TOOLBOX_API void ListQuickSort(ListRef list, ItemCompareFn compare);
TOOLBOX_API void ListHeapSort(ListRef list, ItemCompareFn compare);
TOOLBOX_API void ListInsertionSort(ListRef list, ItemCompareFn compare);
/* Inserts ptrToItem into a list sorted by compare, in front of an equal item that the
 * bisection meets. 1 on success, 0 for a null list or item or short memory. */
TOOLBOX_API int ListInsertInOrder(ListRef list, const void *ptrToItem, ItemCompareFn compare);

/* Ready-made comparisons: -1, 0 or 1 for signed 16-bit and 32-bit integers; floats and
 * doubles give -1 (less), 0 (equal) and 1 otherwise, so a not-a-number on either side
 * compares greater; CStringCompare's elements are char * and it returns strcmp's
 * result. */
TOOLBOX_API int ShortCompare(const void *first, const void *second);
TOOLBOX_API int IntCompare(const void *first, const void *second);
TOOLBOX_API int FloatCompare(const void *first, const void *second);
TOOLBOX_API int DoubleCompare(const void *first, const void *second);
TOOLBOX_API int CStringCompare(const void *first, const void *second);

/* end of Sorting and searching                                             */
/* ======================================================================== */

/* ======================================================================== */
/* List output                                                              */

/* Writes one item to stream; returns the characters written or a negative value. */
typedef int (*ItemOutputFn)(FILE *stream, void *ptrToItem);

/* Writes listPrefix, then for each item i: itemPrefix, the item (outputFunction), and
 * itemSeparator unless i is the last; then listSuffix. Each text may be null (none) and
 * is a printf format: "%%" gives "%", and a "%d" in itemPrefix or itemSeparator gives
 * i, in listSuffix the item count. A null stream is the engine's standard output.
 * Returns the characters written, or the first negative write result (what was written
 * stays). A null outputFunction writes "Error, no output function specified\n" and
 * returns that write's result. A text holding any other conversion (or more than one
 * "%d", or any in listPrefix) is refused with -63 before anything is written. */
TOOLBOX_API int OutputList(ListRef list, FILE *stream, const char *listPrefix,
                           const char *listSuffix, const char *itemPrefix,
                           const char *itemSeparator, ItemOutputFn outputFunction);
/* Item writers for OutputList: fprintf's result for "%d" of an int, "%d" of a short,
 * "%f" of a double and "%s" of a char * item (a null string pointer writes "(null)");
 * -65 for a null ptrToItem. A null stream is the engine's standard output. */
TOOLBOX_API int OutputIntegerItem(FILE *stream, void *ptrToItem);
TOOLBOX_API int OutputShortItem(FILE *stream, void *ptrToItem);
TOOLBOX_API int OutputDoubleItem(FILE *stream, void *ptrToItem);
TOOLBOX_API int OutputStringItem(FILE *stream, void *ptrToItem);

/* end of List output                                                       */
/* ======================================================================== */

/* ======================================================================== */
/* Strings                                                                  */

/* Heap strings made or grown here come from the C heap: the caller frees them with
 * free(). White space is what isspace() of the current locale accepts. */

/* A new heap copy of text; null when text is null or memory is short. */
TOOLBOX_API char *StrDup(const char *text);

/* Appends text (count < 0: all of it; else at most count characters, fewer when its
 * terminator comes first) to the heap string *string, which may be null, resizing it
 * to exactly the new length. 1 on success or when there is nothing to append (a null
 * *string then stays null), 0 when memory is short (*string unchanged and valid).
 * text may point into *string. A null string asserts. */
TOOLBOX_API int AppendString(char **string, const char *text, int count);

/* A new heap copy of text without leading and trailing white space; null when memory
 * is short. A null text asserts. */
TOOLBOX_API char *StrDupWithoutSurrWhiteSpace(const char *text);

/* The first character that is not white space (possibly the terminator), or the first
 * white-space character or terminator; null for a null text. */
TOOLBOX_API char *SkipWhiteSpace(const char *text);
TOOLBOX_API char *SkipNonWhiteSpace(const char *text);

/* 1 when text holds a character that is not white space; 0 otherwise and for null. */
TOOLBOX_API int HasNonWhiteSpace(const char *text);

/* Copies source into destination (destinationSize bytes, terminator included),
 * cutting it to fit; the result is always terminated. A null source or a size of 0 or
 * less writes nothing. Overlap is allowed. A null destination asserts. */
TOOLBOX_API void StringCopyMax(char *destination, const char *source, int destinationSize);

/* Inserts text in front of destination, whose buffer holds limit + 1 bytes, cutting
 * the end of text so the result is at most limit characters long. Returns the position
 * just after the inserted text; a destination already longer than limit is left
 * unchanged and destination itself is returned. text may lie in the same buffer.
 * Null destination or text asserts. */
TOOLBOX_API char *StringInsert(char *destination, const char *text, int limit);

/* Compares without letter case (both folded with toupper): -1, 0 or 1. Null sorts
 * before any string, two nulls are equal. */
TOOLBOX_API int StrICmp(const char *first, const char *second);

/* Trims leading and trailing white space in place; null does nothing. */
TOOLBOX_API void RemoveSurroundingWhiteSpace(char *text);

/* As StrICmp, ignoring leading and trailing (not inner) white space of both. */
TOOLBOX_API int StrICmpWithoutSurrWhiteSpace(const char *first, const char *second);

/* Merges two comma-separated lists element by element into a new heap string *result:
 * element i is the first list's when non-empty, else the second's; the result is as
 * long as the longer list. A null list has no elements. 0 on success, -12 when memory
 * is short (*result null). A null result asserts. */
TOOLBOX_API int SpliceCommaSeparatedList(const char *firstList, const char *secondList,
                                         char **result);

/* Strict decimal parsing: optional white space, one optional sign, digits, optional
 * white space; nothing else. 1 with *value written when the number is valid and in
 * range (StrToUInt refuses any "-", "-0" included), else 0 with *value untouched.
 * Null text or value asserts. */
TOOLBOX_API int StrToInt(const char *text, int *value);
TOOLBOX_API int StrToUInt(const char *text, unsigned int *value);

/* Replace every "." by the user's decimal symbol, or every decimal symbol by ".", in
 * place (the engine's system attribute 1452, read at each call). With the symbol "."
 * nothing changes. A null text asserts. */
TOOLBOX_API void LocalizeNumberString(char *text);
TOOLBOX_API void DelocalizeNumberString(char *text);

/* Index of the first underscore of the accelerator escape code "__" in a control
 * label (two underscores followed by a character that is not one), or -1; runs of
 * three or more underscores are plain text. Null gives -1. */
TOOLBOX_API int AcceleratorEscapeCodeLocation(const char *label);

/* Removes the escape code's two underscores in place; null or no code does nothing. */
TOOLBOX_API void RemoveAcceleratorEscapeCode(char *label);

/* end of Strings                                                           */
/* ======================================================================== */

/* ======================================================================== */
/* Text encoding of byte blocks                                             */

/* Byte blocks as printable text: each 3 bytes become 4 characters of the 64 from "0"
 * (code 48) to "o" (code 111); the first character of a group holds the top two bits
 * of each byte, the next three their low six bits. A last 1 or 2 bytes give 2 or 3
 * characters. The text or block returned comes from the C heap: free() it. */

/* Encodes size bytes (0 or more) into a new text *text. 1 on success; 0 when memory
 * is short, with *text null. A negative size, a null text, or null data with a
 * positive size asserts. */
TOOLBOX_API int ConvertDataToText(const unsigned char *data, int size, char **text);

/* Decodes text into a new block *data; when size is not null it receives the decoded
 * size. 1 on success; an empty or one-character text gives size 0, allocates nothing
 * and leaves *data as it was. 0 when memory is short (*data null, *size the size that
 * was needed), and 0 with *data null and *size -1 for a text that no encoding produces
 * (length 5 or more leaving remainder 1 when divided by 4) or whose decoded size
 * exceeds INT_MAX. Characters outside the alphabet are not rejected. A null text or
 * data asserts. */
TOOLBOX_API int ConvertTextToData(const char *text, int *size, unsigned char **data);

/* end of Text encoding of byte blocks                                      */
/* ======================================================================== */

/* ======================================================================== */
/* Arrays                                                                   */

/* Data-type codes, those of the user-interface library's controls. */
enum {
    TB_TYPE_CHAR = 0,           /* signed 8-bit */
    TB_TYPE_INT = 1,            /* signed 32-bit */
    TB_TYPE_SHORT = 2,          /* signed 16-bit */
    TB_TYPE_FLOAT = 3,
    TB_TYPE_DOUBLE = 4,
    TB_TYPE_STRING = 5,         /* pointer to a string; not numeric */
    TB_TYPE_UNSIGNED_SHORT = 6,
    TB_TYPE_UNSIGNED_INT = 7,
    TB_TYPE_UNSIGNED_CHAR = 8
};

/* Size in bytes of a type (the string type: the size of a pointer, 4 on 32-bit
 * targets). Any other code asserts. */
TOOLBOX_API int GetDataTypeSize(int dataType);

/* Converts count elements, in index order, through a double: integer targets take the
 * value truncated toward zero and wrapped to their width (NaN and infinities give 0),
 * float targets the nearest float (out of range: infinity). A target element whose
 * source type is the string type or no valid code, or whose own type is not numeric,
 * is left untouched. Null source or target with a positive count asserts. */
TOOLBOX_API void ConvertArrayType(const void *source, int sourceType, void *target,
                                  int targetType, int count);

/* Rearranges numPoints interleaved elements of numChannels channels into one block per
 * channel (the first numPoints % numChannels channels get one sample more). Works in
 * place without memory when a scratch copy cannot be had; same result either way.
 * An invalid type, or null data with something to do, asserts. */
TOOLBOX_API void TransposeData(void *data, int dataType, int numPoints, int numChannels);

/* end of Arrays                                                            */
/* ======================================================================== */

/* ======================================================================== */
/* Numeric utilities                                                        */

/* Comparisons within the tolerance 1e-8, each 1 or 0: equal when both the relative
 * difference (x / y - 1, or the other value when one is 0) and the absolute difference
 * are below 1e-8; greater and greater-or-equal compare exactly against 0 and when the
 * signs differ. FP_Compare gives 0 when FP_EQ holds, else 1 (x greater) or -1. */
TOOLBOX_API int FP_Compare(double x, double y);
TOOLBOX_API int FP_EQ(double x, double y);
TOOLBOX_API int FP_GT(double x, double y);
TOOLBOX_API int FP_GE(double x, double y);
TOOLBOX_API int FP_LT(double x, double y);
TOOLBOX_API int FP_LE(double x, double y);

/* low when value is below low, else high when value is above high, else value. */
TOOLBOX_API double Pin(double value, double low, double high);

/* low + u * (high - low) with u the next draw in [0, 1) of the calling thread's own
 * generator; low, without a draw, when high is below low. Every thread starts from the
 * seed 945329041 and draws the same sequence until it sets its own seed. */
TOOLBOX_API double Random(double low, double high);
/* Reseeds the calling thread's generator before its next draw; 0 seeds from the
 * processor clock. Other threads are not affected. */
TOOLBOX_API void SetRandomSeed(int seed);

/* value when it is a multiple of multiple, else the next multiple away from zero
 * (7, 5 give 10; -7, 5 give -10). The sign of multiple does not matter; 0 leaves value
 * as it is; a result beyond the int range wraps around. */
TOOLBOX_API int RoundToNextMultiple(int value, int multiple);

/* Constants: the nearest doubles of the mathematical ones, and the physical ones in SI
 * units with the values of the 1973 set of recommended values. */
TOOLBOX_API double Pi(void);
TOOLBOX_API double TwoPi(void);
TOOLBOX_API double HalfPi(void);
TOOLBOX_API double ThreeHalvesPi(void);
TOOLBOX_API double ReciprocalOfPi(void);
TOOLBOX_API double LnOfPi(void);
TOOLBOX_API double Log10OfPi(void);
TOOLBOX_API double Euler(void);
TOOLBOX_API double ReciprocalOfEuler(void);
TOOLBOX_API double Log10OfEuler(void);
TOOLBOX_API double Ln10(void);
TOOLBOX_API double Ln2(void);
TOOLBOX_API double PlanckConstant(void);        /* 6.626176e-34 J s */
TOOLBOX_API double ElementaryCharge(void);      /* 1.6021892e-19 C */
TOOLBOX_API double SpeedOfLight(void);          /* 299792458 m/s */
TOOLBOX_API double GravitationalConstant(void); /* 6.672e-11 N m2/kg2 */
TOOLBOX_API double AvogadroConstant(void);      /* 6.022045e+23 1/mol */
TOOLBOX_API double RydbergConstant(void);       /* 10973731.77 1/m */
TOOLBOX_API double MolarGasConstant(void);      /* 8.31441 J/(mol K) */

/* Unit conversions; each pair multiplies by one factor one way and divides by it the
 * other way. */
TOOLBOX_API double DegToRad(double x);
TOOLBOX_API double RadToDeg(double x);
TOOLBOX_API double CelsiusToKelvin(double x);
TOOLBOX_API double KelvinToCelsius(double x);
TOOLBOX_API double CelsiusToFahrenheit(double x);
TOOLBOX_API double FahrenheitToCelsius(double x);
TOOLBOX_API double MetersToFeet(double x);
TOOLBOX_API double FeetToMeters(double x);
TOOLBOX_API double KilometersToMiles(double x);
TOOLBOX_API double MilesToKilometers(double x);
TOOLBOX_API double KilogramsToPounds(double x);
TOOLBOX_API double PoundsToKilograms(double x);
TOOLBOX_API double LitersToGallons(double x);
TOOLBOX_API double GallonsToLiters(double x);

/* end of Numeric utilities                                                 */
/* ======================================================================== */

/* ======================================================================== */
/* Date and time                                                            */

/* Modification date and time of a file as a calendar time into *fileTime (local time,
 * daylight saving decided by the C library). 1 converted; 0 read but not representable
 * (*fileTime = -1); -94 no such file, -12 out of memory, -93 any other failure, -65 a
 * null argument (*fileTime untouched on failure). */
TOOLBOX_API int GetFileCLibTime(const char *path, time_t *fileTime);

/* Formatting in the user's default locale, whatever the program's own time locale is:
 * the time category is switched to "" for the call and restored. Each writes at most
 * bufferSize bytes, terminator included, and returns the characters written, or 0 when
 * the text did not fit (or bufferSize is below 1). -65 for a null buffer or path; the
 * file variants return GetFileCLibTime's code when it fails and 0 when it gives 0,
 * with the buffer untouched. -12 when the locale could not be remembered. */

/* The file's modification time of day ("%X"). */
TOOLBOX_API int InternationalFileTime(const char *path, char *buffer, int bufferSize);
/* The file's modification date ("%x"). */
TOOLBOX_API int InternationalFileDate(const char *path, char *buffer, int bufferSize);
/* The current time of day ("%X"). */
TOOLBOX_API int InternationalTime(char *buffer, int bufferSize);
/* The current date ("%x"). */
TOOLBOX_API int InternationalDate(char *buffer, int bufferSize);

/* end of Date and time                                                     */
/* ======================================================================== */

/* ======================================================================== */
/* Callback chaining                                                        */

/* Several independent callbacks on one control or panel. Each is a named link of a
 * chain threaded through the object's callback attributes: the object's callback
 * becomes the library's link callback and its callback data the newest link's record,
 * which keeps what was installed before it. An event, from the engine or from
 * Call...Callback, runs the newest link first and the callback installed before the
 * first link (the base callback) last; the first non-zero result stops it and is the
 * result. A discard (EVENT_DISCARD) reaches every link and the base callback, results
 * ignored, and frees the links. Type names are unique within a chain (strcmp). Each
 * link counts for its panel in the panels-with-linked-callbacks list until it is
 * unchained or discarded. Any thread may chain, unchain and call; a link removed while
 * another thread runs the chain is never freed under that call.
 * Codes: -65 null typeName (or null callbackData where data is returned), -45 a link
 * of that name is already in the chain (chaining) or is not there (reading its data),
 * -12 no memory, and the engine's codes for an invalid panel or control. A failing
 * call changes nothing. */

/* Adds a link in front of the control's chain; callback may be null (the link then
 * only passes events on). */
TOOLBOX_API int ChainCtrlCallback(int panel, int control, CtrlCallbackFn callback,
                                  void *callbackData, const char *typeName);
/* The data of the link named typeName; with "" the base callback's data (the
 * control's own when it has no links). */
TOOLBOX_API int GetChainedCallbackData(int panel, int control, const char *typeName,
                                       void **callbackData);
/* 1 when the link was taken out (its callback is not called), 0 when the chain has no
 * link of that name. Breaking on library errors is off during the call. */
TOOLBOX_API int UnchainCtrlCallback(int panel, int control, const char *typeName);
/* Runs the control's callback (its whole chain) with the event: 1 and the result in
 * *returnValue (when not null), or 0 when the control has no callback (*returnValue
 * untouched). */
TOOLBOX_API int CallCtrlCallback(int panel, int control, int event, intptr_t eventData1,
                                 intptr_t eventData2, int *returnValue);

/* The same four on a panel's own callback. */
TOOLBOX_API int ChainPanelCallback(int panel, PanelCallbackFn callback, void *callbackData,
                                   const char *typeName);
TOOLBOX_API int GetChainedPanelCallbackData(int panel, const char *typeName, void **callbackData);
TOOLBOX_API int UnchainPanelCallback(int panel, const char *typeName);
TOOLBOX_API int CallPanelCallback(int panel, int event, intptr_t eventData1, intptr_t eventData2,
                                  int *returnValue);

/* end of Callback chaining                                                 */
/* ======================================================================== */

/* ======================================================================== */
/* Windows message callbacks                                                */

#ifdef _WIN32
/* Chosen Windows messages sent to a top-level panel's window (rte_ui.h,
 * RTE_ATTR_SYSTEM_WINDOW), each to one callback per (panel, message): called inside
 * the window procedure (synchronous: it may change the parameters, and a non-zero
 * result sends the message to DefWindowProcA instead of the panel's procedure and the
 * later callbacks), or posted to run later on the window's thread with copies of the
 * parameters (deferred). The library subclasses the window while a panel has
 * callbacks, and hands every message on through CallWindowProcA. When the panel's
 * window is destroyed and re-created (RecreatePanelWindow), the library subclasses the
 * new one on the thread's next event pass and calls every callback of the panel,
 * enabled or not, with TbMsgWindowRecreated: *wParam is the new window handle, *lParam
 * is 0, and each callback gets its own data. Callbacks of WM_DESTROY are called too
 * (before the library lets go of the window). A callback may remove callbacks,
 * its own included. Discarding the panel removes all its callbacks. Use these on the
 * thread that owns the panel. */
enum {
    TbMsgModeSynchronous = 1000,  /* called inside the window procedure */
    TbMsgModeDeferred = 1001,     /* posted to the window's thread */
    TbMsgAttrMode = 1002,         /* attribute: the mode */
    TbMsgWindowRecreated = 1004,  /* message number after the window was re-created */
    TbMsgAttrEnabled = 1271       /* attribute: 0 skips the callback, anything else calls it */
};

/* wParam and lParam point to the message's parameters, pointer-sized as the system's
 * WPARAM and LPARAM. */
typedef int (*WinMsgCallbackFn)(int panel, int message, uintptr_t *wParam, intptr_t *lParam,
                                void *callbackData);

/* Installs callback for message on a top-level panel; *windowHandle receives the
 * panel's window (an HWND), to post messages to. Codes: -65 null callback or
 * windowHandle, TbErrInvalidMsgCallbackMode a mode other than the two above, -42 the
 * panel cannot be read, TbErrPanelNotTopLevel a child panel, TbErrMsgCallbackInstalled
 * the message has a callback on the panel already, TbErrUnknownSystem the window
 * cannot be subclassed, -12 no memory, the codes of ChainPanelCallback. A failure
 * leaves the panel as it was. */
TOOLBOX_API int InstallWinMsgCallback(int panel, int message, WinMsgCallbackFn callback, int mode,
                                      void *callbackData, void **windowHandle);
/* Removes the message's callback; the last one gives the window its procedure back.
 * TbErrMsgCallbackNotInstalled when there is none. */
TOOLBOX_API int RemoveWinMsgCallback(int panel, int message);
/* Sets TbMsgAttrEnabled (any int) or TbMsgAttrMode (1000 or 1001, else -90) from the
 * int that follows. TbErrMsgCallbackNotInstalled, -46 another attribute. */
TOOLBOX_API int SetMsgCallbackAttribute(int panel, int message, int attribute, ...);
/* Reads one of the two attributes into *value: -65 null value, else as Set. */
TOOLBOX_API int GetMsgCallbackAttribute(int panel, int message, int attribute, int *value);
#endif

/* end of Windows message callbacks                                         */
/* ======================================================================== */

/* ======================================================================== */
/* System tray icons                                                        */

#ifdef _WIN32
/* Icons in the notification area, each with a tooltip, a callback for mouse events
 * and an optional popup menu that opens on a right click. Icons are numbered 1, 2, 3,
 * ... (the smallest number free). All icons share one hidden panel whose window gets
 * the shell's notifications; they reach the callbacks deferred, from the event
 * processing of the thread that installed the first icon, where every call of this
 * family belongs. Removing the last icon discards that panel. */
enum {
    TbTrayCallbackMessage = 56422,          /* what the shell sends the hidden window */
    TbTrayMenuAttrDefaultItem = 5002,       /* menu: default item, 0 for none */
    TbTrayAttrImageFile = 5004,             /* icon: .ico file (set only) */
    TbTrayAttrToolTipText = 5005,           /* icon: tooltip text */
    TbTrayAttrToolTipTextLength = 5006,     /* icon: tooltip length (get only) */
    TbTrayMenuAttrVisible = 530,            /* menu: 1 when it opens on a right click */
    TbTrayMenuItemAttrDimmed = 500,         /* menu item: disabled and grayed */
    TbTrayMenuItemAttrChecked = 1040,       /* menu item: check mark */
    TbTrayEventMenuItemSelected = 1012,     /* the menu closed: eventData the item, 0 none */
    TbTrayMaxToolTipLength = 64             /* longer tooltips are cut to this length */
};

/* Called with EVENT_LEFT_CLICK (3), TbEventLeftMouseUp, EVENT_LEFT_DOUBLE_CLICK (4),
 * EVENT_RIGHT_CLICK (5), TbEventRightMouseUp, EVENT_RIGHT_DOUBLE_CLICK (6) and
 * TbTrayEventMenuItemSelected. A non-zero answer to EVENT_RIGHT_CLICK keeps the menu
 * shut. A callback may remove its own icon. */
typedef int (*TrayIconCallbackFn)(int iconHandle, int event, int eventData);

/* Adds an icon from an .ico file with a tooltip (cut to TbTrayMaxToolTipLength);
 * *iconHandle receives its number. All four arguments are required (DoAssert). Codes:
 * -12 no memory or no hidden panel, TbErrUnknownSystem the shell refused (as it does
 * without a display), the loader's TbErrSystemDllLoad / TbErrSystemFunctionMissing. */
TOOLBOX_API int InstallSysTrayIcon(const char *iconFile, const char *toolTipText,
                                   TrayIconCallbackFn callback, int *iconHandle);
/* Removes the icon with its menu; notifications still queued for it are dropped.
 * TbErrInvalidTrayIcon for an unknown handle. */
TOOLBOX_API int RemoveSysTrayIcon(int iconHandle);
/* TbTrayAttrImageFile loads a new image (TbErrIconLoad: unreadable, the old image
 * stays); TbTrayAttrToolTipText sets the tooltip. -65 null value, TbErrInvalidTrayIcon,
 * TbErrUnknownSystem the shell refused (nothing changed), -46 another attribute. */
TOOLBOX_API int SetTrayIconAttr(int iconHandle, int attribute, const char *value);
/* TbTrayAttrToolTipText copies the tooltip, terminated, into value, which must have
 * room for TbTrayMaxToolTipLength + 1 bytes; TbTrayAttrToolTipTextLength stores its
 * length in the int at value. -65 null value, TbErrInvalidTrayIcon, -46 another. */
TOOLBOX_API int GetTrayIconAttr(int iconHandle, int attribute, void *value);
/* Gives the icon a new empty, visible popup menu (a former one is destroyed).
 * TbErrInvalidTrayIcon, TbErrUnknownSystem when the menu cannot be made. */
TOOLBOX_API int AttachTrayIconMenu(int iconHandle);
/* Destroys the icon's menu. TbErrInvalidTrayIcon, TbErrNoTrayMenu. */
TOOLBOX_API int DetachTrayIconMenu(int iconHandle);
/* Appends an item (a separator for null itemText) at the end of the menu; *itemIndex
 * receives its number, the item count after it, which is also what the menu reports
 * when it is chosen. -65 null itemIndex, TbErrInvalidTrayIcon, TbErrNoTrayMenu,
 * TbErrUnknownSystem. */
TOOLBOX_API int InsertTrayIconMenuItem(int iconHandle, const char *itemText, int *itemIndex);
/* TbTrayMenuAttrDefaultItem (0 ... item count, else -90; 0 clears it) or
 * TbTrayMenuAttrVisible (non-zero: visible). TbErrInvalidTrayIcon, TbErrNoTrayMenu,
 * TbErrUnknownSystem, -46 another attribute. Get: -65 null value, as Set otherwise. */
TOOLBOX_API int SetTrayIconMenuAttr(int iconHandle, int attribute, int value);
TOOLBOX_API int GetTrayIconMenuAttr(int iconHandle, int attribute, int *value);
/* TbTrayMenuItemAttrDimmed or TbTrayMenuItemAttrChecked of item 1 ... item count (else
 * TbErrInvalidTrayMenuItem), set by any non-zero value, read as 0 or 1.
 * TbErrInvalidTrayIcon, TbErrNoTrayMenu, TbErrUnknownSystem (nothing written), -46
 * another attribute. Get: -65 null value, as Set otherwise. */
TOOLBOX_API int SetTrayIconMenuItemAttr(int iconHandle, int itemIndex, int attribute, int value);
TOOLBOX_API int GetTrayIconMenuItemAttr(int iconHandle, int itemIndex, int attribute, int *value);
#endif

/* end of System tray icons                                                 */
/* ======================================================================== */

/* ======================================================================== */
/* Drag and drop                                                            */

#ifdef _WIN32
/* Sent to the panel's callback chain when files are dropped on its client area:
 * eventData1 is a char ** (null-terminated array of the names, each and the array
 * heap blocks the callback frees with free), eventData2 a Point * (client coordinates,
 * valid during the call only). */
enum { TbEventFilesDropped = 1005 };

/* Lets the shell drop files on a top-level panel that has a callback (a synchronous
 * WM_DROPFILES message callback, kept across RecreatePanelWindow). Codes: -42 invalid
 * panel, TbErrPanelNotTopLevel, TbErrPanelNoCallback, TbErrMsgCallbackInstalled when
 * enabled already, those of InstallWinMsgCallback and of loading the shell's entries. */
TOOLBOX_API int EnableDragAndDrop(int panel);
/* Stops accepting drops: -42 invalid panel, TbErrDragDropNotEnabled when not enabled. */
TOOLBOX_API int DisableDragAndDrop(int panel);
#endif

/* end of Drag and drop                                                     */
/* ======================================================================== */

/* ======================================================================== */
/* Delayed and deferred calls                                               */

/* A function run later with one pointer argument. */
typedef void (*DelayedCallFn)(void *callbackData);

/* Has function(callbackData) run on thread threadId, from that thread's event
 * processing, and waits until it has finished, at most timeoutMs milliseconds (-1: no
 * limit; other negative values count as 0). To the calling thread itself the call runs
 * at once. 0 when the call finished, and also after a time-out: the call then still
 * runs later and frees what the library made for it. -65 null function, -12 no memory,
 * the engine's codes when the call cannot be posted (-132: the thread has no event
 * queue), and -132 as well when the thread ended while the call waited in its queue
 * (the call then never runs). The waiter sleeps while it waits; on Windows it keeps
 * dispatching its thread's window messages meanwhile (sent ones always). */
TOOLBOX_API int PostDeferredCallToThreadAndWait(DelayedCallFn function, void *callbackData,
                                                unsigned int threadId, int timeoutMs);

/* Queues function(callbackData) to run on the calling thread, from its event processing,
 * once delay seconds have passed (0 or less: at the next event pass). Each thread has
 * its own queue, driven by a timer control on a hidden panel the thread owns; calls
 * run in the order they fall due, one per event pass, and the thread must process
 * events for them to run. Calls still queued when the thread ends are dropped. 1 when
 * queued; 0 (nothing queued) for a null function, a delay that is not a finite number,
 * or when the timer or the queue cannot be made or grown. */
TOOLBOX_API int PostDelayedCall(DelayedCallFn function, void *callbackData, double delay);

/* end of Delayed and deferred calls                                        */
/* ======================================================================== */

/* ======================================================================== */
/* Extended mouse events                                                    */

/* Events the library sends to a control's callback chain (CallCtrlCallback) while
 * extended mouse events are enabled for it, with eventData1 = y and eventData2 = x,
 * the mouse position in panel coordinates. */
enum {
    TbEventMouseMove = 14000,     /* the position differs from the last one sent */
    TbEventRightMouseUp = 14001,  /* the right button is up after a press on the control */
    TbEventLeftMouseUp = 14002    /* the left button is up after a press on the control */
};

/* Starts sending the events above for the control, sampling the mouse every interval
 * seconds (0: at every event pass) on the calling thread, which must process events;
 * the events are sent there. Enabling an enabled control changes its interval. A
 * button already down counts as pressed on the control. Codes: -90 an interval below 0
 * or not finite, -12 no memory, the codes of ChainCtrlCallback. */
TOOLBOX_API int EnableExtendedMouseEvents(int panel, int control, double interval);
/* Stops the events (and the sampling) until they are enabled again. -45 when they were
 * never enabled for the control, else the engine's codes. */
TOOLBOX_API int DisableExtendedMouseEvents(int panel, int control);
/* Converts the point *x, *y (panel coordinates) in place: relativeToControl nonzero
 * makes it relative to the control's top left corner, pinToControl nonzero moves it
 * into the control's pixels (left .. left + width - 1, top .. top + height - 1). A null
 * pointer counts as 0 and is not written. 0, or the engine's code of the first failing
 * attribute read (the point is then not written). */
TOOLBOX_API int ConvertMouseCoordinates(int panel, int control, int relativeToControl,
                                        int pinToControl, int *x, int *y);

/* end of Extended mouse events                                             */
/* ======================================================================== */

/* ======================================================================== */
/* Object existence and panel list                                          */

/* A process-wide registry of object pointers, for callbacks that may outlive their
 * object. It takes no lock: callers on several threads serialise their calls. A
 * pointer may be registered more than once and is known until deregistered as often. */

/* 1 when object was registered; 0 when the registry could not be made or grown, or for
 * a null object. */
TOOLBOX_API int RegisterExistence(void *object);
/* Removes one registration of object; nothing for null or an unregistered pointer. */
TOOLBOX_API void DeRegisterExistence(void *object);
/* 1 when object is registered, else 0 (always 0 for null). */
TOOLBOX_API int ObjectExists(void *object);

/* The panels-with-linked-callbacks list: a thread-safe variable holding one ListRef
 * (null until callbacks are chained), made on the library's first use of its shared
 * state. The results are the engine's thread-safe-variable codes; -130 when the
 * variable does not exist (after Uninitialize...). */

/* Makes the variable (null inside) when it does not exist: 0, or the engine's code. */
TOOLBOX_API int InitializeTsvPanelsWithLinkedCallbacksList(void);
/* Ends the variable (the list inside is not disposed); use only when no other thread
 * uses it. Initialize makes it again. */
TOOLBOX_API int UninitializeTsvPanelsWithLinkedCallbacksList(void);
/* Locks the variable for the calling thread (re-entrant) and gives a pointer to the
 * stored ListRef, valid until the matching release; null when there is no variable. */
TOOLBOX_API ListRef *GetPointerToTsvPanelsWithLinkedCallbacksList(void);
TOOLBOX_API int ReleasePointerToTsvPanelsWithLinkedCallbacksList(void);
/* Stores list in the variable (under its lock). */
TOOLBOX_API int SetTsvPanelsWithLinkedCallbacksList(ListRef list);
/* A copy of the stored ListRef, read under the lock; null when there is no variable. */
TOOLBOX_API ListRef GetTsvPanelsWithLinkedCallbacksList(void);

/* end of Object existence and panel list                                   */
/* ======================================================================== */

/* ======================================================================== */
/* Control layout and attributes                                            */

/* Controls are those of the run-time engine's user interface (rte_ui.h). Group
 * operations take a ListRef of int control ids, or the ids as variable arguments after
 * a count: reading stops at the first id of 1 or less (so 0 or -1 ends the list) or
 * when count ids were taken; count 0 means no limit (the list must then end with 0 or
 * -1), a negative count reads nothing. Functions return 0 or the first negative code
 * met (the engine's codes pass through); a variable-argument form returns -12 when it
 * cannot build its list.
 *
 * Attribute values travel as int. Data-typed attributes (value, range, increment) are
 * passed in the control's data type and read through the numeric conversion below;
 * the timer interval is passed as a double; a pointer attribute takes only 0 (null; any
 * other value gives -90, since no pointer fits an int on 64-bit targets); string
 * attributes give -46. */

/* Library numbers of the bounding rectangle's parts (control and label together). */
enum {
    TbAttrBoundTop = 6000,
    TbAttrBoundLeft = 6001,
    TbAttrBoundHeight = 6002,
    TbAttrBoundWidth = 6003
};

/* A new list of the ids that follow count (null when memory is short). */
TOOLBOX_API ListRef BuildIntegerList(int count, ...);
/* Appends the ids that follow count to list: 1, or 0 (null list, short memory; the list
 * is then unchanged). */
TOOLBOX_API int AppendToIntegerList(ListRef list, int count, ...);
/* Reads ids from parmInfo as described above into a new list: 0 and *list, or -12 and
 * *list null; -65 for a null list pointer. */
TOOLBOX_API int GetIntListFromParmInfo(va_list parmInfo, int count, ListRef *list);

/* Sets the attribute on each control in list order (TbAttrBoundTop/Left move the
 * bounding rectangle as SetCtrlBoundRectAttribute does). The first failure stops the
 * walk and is returned; the controls before it keep the new value. */
TOOLBOX_API int SetAttributeForList(int panel, ListRef controls, int attribute, int value);
TOOLBOX_API int SetAttributeForCtrls(int panel, int attribute, int value, int count, ...);

/* The largest and smallest value of the attribute over the controls, and the first
 * control with each (ties keep the earliest); TbAttrBound... read the bounding
 * rectangle. Any output may be null; outputs are written only on success. An empty list
 * gives 0 with both values and both controls 0 (no control). */
TOOLBOX_API int AttrMaxAndMinForList(int panel, ListRef controls, int attribute, int *maxValue,
                                     int *maxControl, int *minValue, int *minControl);
TOOLBOX_API int AttributeMaxAndMin(int panel, int attribute, int count, int *maxValue,
                                   int *maxControl, int *minValue, int *minControl, ...);
/* Sets the attribute of every control to the group's maximum (useMinimum 0) or
 * minimum. */
TOOLBOX_API int SetAttributeToExtremeForList(int panel, ListRef controls, int attribute,
                                             int useMinimum);
TOOLBOX_API int SetCtrlsToAttributeExtreme(int panel, int attribute, int useMinimum, int count,
                                           ...);

/* Reads a part of the control's bounding rectangle: 532 or TbAttrBoundTop the top, 531
 * or TbAttrBoundLeft the left, 540 or TbAttrBoundHeight the height, 533 or
 * TbAttrBoundWidth the width. -65 for a null value; another attribute asserts. */
TOOLBOX_API int GetCtrlBoundRectAttribute(int panel, int control, int attribute, int *value);
/* Moves the control so that its bounding rectangle's top (532, TbAttrBoundTop) or left
 * (531, TbAttrBoundLeft) lies at value; the label moves with it. Sizes (533, 540,
 * TbAttrBoundHeight, TbAttrBoundWidth) give -63 and change nothing; another attribute
 * asserts. -90 when the control would leave the engine's coordinate range. */
TOOLBOX_API int SetCtrlBoundRectAttribute(int panel, int control, int attribute, int value);

/* Puts a numeric control's label on its left, spacing pixels from it and centred on
 * the control's height. */
TOOLBOX_API int PutLabelOnLeft(int panel, int control, int spacing);
TOOLBOX_API int PutLabelsOnLeftForList(int panel, ListRef controls, int spacing);
TOOLBOX_API int PutLabelsOnLeft(int panel, int spacing, int count, ...);

/* Places the controls one after another by their bounding rectangles, from *position
 * down (vertical 1: tops and heights) or right (otherwise: lefts and widths). With
 * fixedGap 1 the gap is gapOrExtent; otherwise gapOrExtent is the extent to fill and
 * the gap (extent - sum of sizes) / (count - 1), truncated. *position ends behind the
 * last control, or where a failure stopped the walk. -65 for a null position. */
TOOLBOX_API int DistributeCtrlsInList(int panel, ListRef controls, int vertical, int fixedGap,
                                      int *position, int gapOrExtent);
TOOLBOX_API int DistributeCtrls(int panel, int vertical, int fixedGap, int *position,
                                int gapOrExtent, int count, ...);

/* Move control directly behind / in front of referenceControl in the z-plane order, or
 * directly after / before it in the tab order; the others keep their order. The same
 * control for both changes nothing. */
TOOLBOX_API int MoveBehind(int panel, int referenceControl, int control);
TOOLBOX_API int MoveInFront(int panel, int referenceControl, int control);
TOOLBOX_API int PlaceAfter(int panel, int referenceControl, int control);
TOOLBOX_API int PlaceBefore(int panel, int referenceControl, int control);

/* Sets the control's left edge so that its right edge (left + width) is right. A failed
 * width read is returned without setting anything. */
TOOLBOX_API int SetCtrlRightPosition(int panel, int control, int right);
/* Centres the control with its label in the rectangle (top, left, height, width). */
TOOLBOX_API int CenterCtrl(int panel, int control, int top, int left, int height, int width);
/* Gives okControl the Enter key and cancelControl the Escape key as shortcut keys, and
 * makes closeControl the panel's close control; each only when positive. */
TOOLBOX_API int SetCommonDialogShortcutKeys(int panel, int okControl, int cancelControl,
                                            int closeControl);

/* end of Control layout and attributes                                     */
/* ======================================================================== */

/* ======================================================================== */
/* Tab order and control lists                                              */

/* A panel's controls form a chain in tab order. These functions report nothing: a
 * failing attribute read (a discarded panel, a control not on the panel) ends the walk
 * with 0. */

/* 1 when the control can take the focus (hot mode, not dimmed, visible), else 0. */
TOOLBOX_API int CtrlCanBeTabStop(int panel, int control);
/* The control before control in the chain; with wrap, the last one for the first. 0
 * when there is none. */
TOOLBOX_API int PreviousCtrl(int panel, int control, int wrap);
/* The next control after control, forward or backward, that can take the focus,
 * wrapping around the chain when wrap is nonzero; never control itself; 0 when none. */
TOOLBOX_API int NextCtrlInTabOrder(int panel, int control, int forward, int wrap);
/* Gives the focus to the first control that can take it: 1, or 0 when none can (or
 * the focus cannot be set from this thread). */
TOOLBOX_API int ActivateFirstCtrl(int panel);
/* A new list of the panel's controls in chain order, which the caller disposes: 0, or a
 * negative code with *list null (-12 short memory, -65 null list pointer). */
TOOLBOX_API int GetCtrlList(int panel, ListRef *list);
/* Sorts a list of the panel's controls by ascending tab position; ids not on the panel
 * go to the end. Safe on several threads at once. 0, or -12 when the calling thread's
 * library state cannot be had (list unchanged). */
TOOLBOX_API int SortCtrlListByTabOrder(int panel, ListRef list);

/* end of Tab order and control lists                                       */
/* ======================================================================== */

/* ======================================================================== */
/* Numeric attribute conversion                                             */

/* Reads a numeric attribute of a numeric control (its value, range or increment in the
 * control's data type, or an int attribute) and stores it through value in dataType
 * (TB_TYPE_...), by way of a double: integer targets take the integer part modulo 2^32
 * (then its low 8 or 16 bits), so 4294967295 gives -1 as int; NaN and infinities give
 * 0; float rounds to nearest (infinity beyond its range). 0, or the engine's code of a
 * failing read (-46 also for a pointer or string attribute); -65 for a null value. A
 * string or invalid control type, or a dataType of 5 or outside 0..8, asserts. */
TOOLBOX_API int GetNumericAttributeAsType(int panel, int control, int attribute, int dataType,
                                          void *value);

/* end of Numeric attribute conversion                                      */
/* ======================================================================== */

/* ======================================================================== */
/* Progress dialog                                                          */

/* A top-level panel, 328 pixels wide and centred on the screen, with an integer
 * indicator from 0 to 100 and, when cancelButtonLabel is not null, a Cancel button
 * whose shortcut is the Escape key (an empty label: the button lies outside the panel,
 * reachable only by its key). Shown as a modal popup when modal is nonzero. Returns the
 * panel, or the first failing step's code (-12 short memory, -90 a markerStyle outside
 * 0..3) with nothing left behind. The dialog belongs to the calling thread; discard it
 * with DiscardProgressDialog (a panel discarded otherwise frees its dialog too). */
TOOLBOX_API int CreateProgressDialog(const char *title, const char *indicatorLabel, int modal,
                                     int markerStyle, const char *cancelButtonLabel);
/* Shows percentComplete (pinned to 0..100), processes the calling thread's events when
 * processEvents is nonzero, and returns 1 when Cancel was pressed since the previous
 * update (once), else 0. Panel 0 or less, or a panel that is no progress dialog: 0. A
 * discarded dialog gives -45. Never reports library errors. */
TOOLBOX_API int UpdateProgressDialog(int panel, int percentComplete, int processEvents);
/* Discards the dialog and frees what it holds: 0; nothing for a panel of 0 or less
 * (0); -45 for a panel that is no progress dialog (left alone); -134 from another
 * thread (dialog kept). Never reports library errors. */
TOOLBOX_API int DiscardProgressDialog(int panel);

/* end of Progress dialog                                                   */
/* ======================================================================== */

/* ======================================================================== */
/* Colour popup                                                             */

/* One named colour of the list the colour popup edits. The popup never changes name. */
typedef struct ColorChangeEntry {
    char *name;       /* shown in the popup's list; null shows as an empty name */
    int defaultColor; /* 0x00RRGGBB, restored by the Default button */
    int color;        /* 0x00RRGGBB, the current colour, edited by the popup */
} ColorChangeEntry;

/* Told of changes while the popup is open: index is the 1-based position of the entry
 * whose colour the user committed, or -1 when any number of entries may have changed
 * (Default, or Cancel restoring them). */
typedef void (*ColorChangeCallbackFn)(ListRef colors, void *callbackData, int index);

/* Lets the user edit colors (a list of ColorChangeEntry) in a modal dialog of the calling
 * thread: a list of the names with a sample of each colour, a colour control for the
 * selected entry, and OK, Cancel and Default (hidden, its place kept, when allowDefault
 * is 0). Runs its own event loop until OK, Cancel or closing the dialog. Returns 1 when
 * the list was changed and kept (OK after any change, Default included), 0 when it is
 * as it was (OK without changes, Cancel, which restores every entry the dialog changed
 * and calls callback with -1 when there were changes). callback may be null. Codes:
 * -65 null colors; TbErrUnrecognizedValue for a list whose items are not
 * ColorChangeEntry or with a colour outside 0..0xFFFFFF (nothing shown); -12 short
 * memory (before the dialog; or on Cancel when the list cannot be restored, which
 * happens only when the callback removed entries: the list is then as the callback left
 * it); an engine code when the dialog cannot be made or kept (the colours stored before
 * the failure stay). User events of other panels that arrive meanwhile are used up. */
TOOLBOX_API int ColorChangePopup(const char *title, ListRef colors, int allowDefault,
                                 ColorChangeCallbackFn callback, void *callbackData);

/* The index (0-based) of the table colour nearest to color, by a distance that weighs
 * the channels and their differences; ties keep the earlier index. -1 for a count of 0
 * or less; -65 for a null table with a positive count. */
TOOLBOX_API int FindClosestColorInTable(int color, const int *table, int count);

/* end of Colour popup                                                      */
/* ======================================================================== */

/* ======================================================================== */
/* Ring sizing and meta fonts                                               */

/* Makes a ring (style 300 or 301) as wide as its widest label measured in the ring's
 * text font, plus the ring's arrow (19 or 21 pixels). 0, or -45 for another style, or
 * the engine's code of a failing step (-12 short memory); the width is unchanged on
 * failure. Labels of any length are measured. Safe on several threads at once. */
TOOLBOX_API int SizeRingCtrlToText(int panel, int control);

/* The definition of a meta font: each non-null output receives its property; typeface
 * receives the typeface name under it and must hold RTE_MAX_FONT_NAME_LEN bytes. A
 * typeface name given as metaFont describes that typeface at the engine's 10 points.
 * 0, or the engine's code (-89 an unknown font, -65 a null metaFont). Uses a hidden panel
 * kept per thread until the thread ends (made again should it have been discarded). */
TOOLBOX_API int GetMetaFontInfo(const char *metaFont, char *typeface, int *bold, int *underline,
                                int *strikeOut, int *italic, int *pointSize);

/* 1 when fontName is a meta font (predefined or made with CreateMetaFont), 0 when the
 * engine does not know it as one (a plain typeface name included), or the engine's
 * code of another failure (-65 null). Never reports library errors. */
TOOLBOX_API int IsMetaFont(const char *fontName);

/* Recolours the images of picture controls (204, 235, 480, 318) after a panel's colours
 * change: a colour within 15 (sum of channel differences) of oldColor becomes newColor,
 * of oldColor's 3-D highlight or shadow (Get3dBorderColors) newColor's, of oldColor2
 * newColor2; a later match wins. newColor / newColor2 -1: the panel's 570 / 575.
 * control -1: every picture control of the panel (others are passed over); imageIndex
 * -1: every image of a picture ring. 0, -45 for a named control that holds no images,
 * TbErrUnrecognizedValue for an image depth other than 1, 4, 8, 24, 32, -12 short
 * memory, or the engine's code; images written before a failure stay written. */
TOOLBOX_API int ConformCtrlBitmapToPanel(int panel, int control, int imageIndex, int oldColor,
                                         int newColor, int oldColor2, int newColor2);

/* end of Ring sizing and meta fonts                                        */
/* ======================================================================== */

/* ======================================================================== */
/* Help window and PC speaker                                               */

#ifdef _WIN32
/* Calls the help viewer's entry "HtmlHelpA" of "Hhctrl.ocx" with no owner window:
 * HtmlHelpA(NULL, helpFile, command, data). The library is loaded on the first call
 * that finds the entry and kept for the process. 0 when the viewer was called (its
 * result is not examined), TbErrSystemDllLoad (-5093) when the library cannot be
 * loaded, TbErrSystemFunctionMissing (-5094) when it lacks the entry; after a failure
 * nothing stays loaded and the next call tries again. data is pointer-sized, as the
 * viewer takes it (file names and structures are passed there). */
TOOLBOX_API int ShowHtmlHelp(const char *helpFile, unsigned int command, uintptr_t data);
#endif

/* Starts a continuous tone: programs the timer's channel 2 (0xB6 to port 0x43, then
 * the low and the second byte of 1193180 / frequency to 0x42; frequency 0 gives 0,
 * and only the low 16 bits are kept) and sets bits 0-1 of port 0x61, through the
 * engine's emulated ports (rte_ports.h). No result. */
TOOLBOX_API void StartPCSound(unsigned int frequency);

/* Silences the speaker: clears bits 0-1 of port 0x61, the other bits kept. */
TOOLBOX_API void StopPCSound(void);

/* end of Help window and PC speaker                                        */
/* ======================================================================== */

#ifdef __cplusplus
}
#endif

#endif
