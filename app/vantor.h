/* vantor: the post-setup task. It places the product's desktop shortcut: the program
 * group's "nimbrova.lnk" is copied to "<desktop>\nimbrova 2.0 beta release.lnk". */
#ifndef VANTOR_TASK_H
#define VANTOR_TASK_H

#ifdef __cplusplus
extern "C" {
#endif

/* The task's globals, public symbols of the program, zero at start. */
extern char prog[260];
extern char dest[260];
extern char src[260];
extern char group[260];
extern char subkey[101];
extern char desktop_dir[260];
extern char programs_dir[260];
extern char lnk_source[260];
extern char lnk_destination[260];
extern char lnk_file_name[257];

/* The task's main: -1 when fewer than four arguments follow the program name, else
 * it keeps arguments 0 to 2, runs CopyLnkFile, ignores its result and returns 0. */
int VantorMain(int argc, char *argv[]);

/* -1 when no usable desktop folder is found; the file copy's result (0 or a negative
 * engine file code) when a source shortcut was found; 1 when none was found. */
int CopyLnkFile(void);

#ifdef __cplusplus
}
#endif

#endif
