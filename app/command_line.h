// Splitting of a Windows command line into an argument vector: plain string work,
// built on every platform so that its rules are tested natively as well as under Wine.
#ifndef VANTOR_COMMAND_LINE_H
#define VANTOR_COMMAND_LINE_H

#include <cstddef>

namespace vantor {

// The text behind the program name of a full command line. A name that begins with a
// double quote runs to the next double quote (stepped over) or the end; an unquoted
// name runs while bytes are above 32 (bytes 0x80-0xFF belong to it). Then every byte
// from 1 to 32 (blanks, controls) is skipped. A null line gives "".
const char *commandLineTail(const char *line);

// The part of path behind its last '\' or ':' (the whole path when it has neither).
const char *moduleBaseName(const char *path);

// Where the argument that starts at argument ends: at the first space or tab outside
// double quotes, or at the terminator. A backslash toggles "escaped"; a double quote
// toggles "quoted" unless escaped; every other character clears "escaped".
const char *argumentEnd(const char *argument);

// Number of arguments in tail. Space, tab, line feed and carriage return separate
// arguments; only space and tab (outside quotes) end one. A null tail has none.
int countArguments(const char *tail);

// Removes the quoting of one argument in place: backslashes are all kept, a double
// quote after an odd run of backslashes replaces the last backslash, every other
// double quote is removed.
void unquoteArgument(char *argument);

// Memory for the vector: zero-filled blocks that are never given back during the run;
// null when none is left.
using ZeroedAllocator = void *(*)(std::size_t bytes);

// Builds argc and argv from tail: argv[0] is an empty string (the caller puts the
// program's name there), argv[1..] the unquoted arguments, argv[argc] null. Returns
// false, with *argc and *argv untouched, when an allocation fails.
bool splitArguments(const char *tail, ZeroedAllocator allocate, int *argc, char ***argv);

}  // namespace vantor

#endif
