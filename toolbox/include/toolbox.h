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

#include <stddef.h>
#include <stdio.h>

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

/* end of Assertions and library-error breaking                             */
/* ======================================================================== */

/* ======================================================================== */
/* Error strings                                                            */

/* end of Error strings                                                     */
/* ======================================================================== */

/* ======================================================================== */
/* Files                                                                    */

/* 1 when the file exists, 0 when it does not, -12 (out of memory) or -93 (any other
 * failure). When size is not null it receives the size in bytes, or -1 when the file
 * is absent or the call failed; sizes above INT_MAX are reported as INT_MAX. */
TOOLBOX_API int FileExists(const char *path, int *size);

/* Whether path could be written, into *writable (1 or 0): an existing file is opened
 * for update (contents untouched), a missing one is created and removed again.
 * Returns 0, -91 (too many files open) or -93; -65 for a null argument. */
TOOLBOX_API int GetFileWritability(const char *path, int *writable);

/* Removes the file if it is there; reports nothing. A null path does nothing. */
TOOLBOX_API void RemoveFileIfExists(const char *path);

/* Replaces target by source: removes target, then renames source to target. Returns
 * 0, -12, -93, -94 (source missing: target is left alone), -95, -97 or -100. When the
 * rename itself fails the target is already gone and the source is unchanged. */
TOOLBOX_API int DeleteAndRename(const char *source, const char *target);

/* Size of an open stream's file into *size; the stream's position is kept. 0 or -93
 * (also for null arguments). */
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
 * (terminator included when stored with one) once the value is found. A null buffer
 * asks for the size only. On failure the buffer is untouched. A terminator is added
 * behind data stored without one when bufferSize leaves room for it. */
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
 * smaller. After a read *realSize holds the bytes actually received. */
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
/* Binary files                                                             */

/* end of Binary files                                                      */
/* ======================================================================== */

/* ======================================================================== */
/* Path names                                                               */

/* end of Path names                                                        */
/* ======================================================================== */

/* ======================================================================== */
/* Temporary files                                                          */

/* end of Temporary files                                                   */
/* ======================================================================== */

/* ======================================================================== */
/* Handles                                                                  */

/* end of Handles                                                           */
/* ======================================================================== */

/* ======================================================================== */
/* Lists                                                                    */

/* end of Lists                                                             */
/* ======================================================================== */

/* ======================================================================== */
/* Sorting and searching                                                    */

/* end of Sorting and searching                                             */
/* ======================================================================== */

/* ======================================================================== */
/* List output                                                              */

/* end of List output                                                       */
/* ======================================================================== */

/* ======================================================================== */
/* Strings                                                                  */

/* end of Strings                                                           */
/* ======================================================================== */

/* ======================================================================== */
/* Text encoding of byte blocks                                             */

/* end of Text encoding of byte blocks                                      */
/* ======================================================================== */

/* ======================================================================== */
/* Arrays                                                                   */

/* end of Arrays                                                            */
/* ======================================================================== */

/* ======================================================================== */
/* Date and time                                                            */

/* end of Date and time                                                     */
/* ======================================================================== */

#ifdef __cplusplus
}
#endif

#endif
