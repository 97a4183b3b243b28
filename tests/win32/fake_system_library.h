// A stand-in for a system library that the system suite loads in place of the real one,
// so that the loader's handling of a library can be observed: what each entry point was
// given is recorded, and every load of the library counts up the environment variable
// TOOLBOX_FAKE_ATTACHES of the process (it outlives the library).
#ifndef TOOLBOX_FAKE_SYSTEM_LIBRARY_H
#define TOOLBOX_FAKE_SYSTEM_LIBRARY_H

#define TOOLBOX_FAKE_ATTACHES "TOOLBOX_FAKE_ATTACHES"
// Shell_NotifyIconA answers false (changing nothing) to the message number this
// environment variable holds.
#define TOOLBOX_FAKE_REFUSED_NOTICE "TOOLBOX_FAKE_REFUSED_NOTICE"

// What the last entry point called was given. Read it through the library's export
// "FakeSystemRecord" (a function returning a pointer to it).
struct FakeSystemCalls {
    char lastEntry[32];
    void *handle;        // drop handle or window
    unsigned int index;  // file index, or the notification message
    unsigned int size;   // buffer size
    int flag;            // accept flag
    void *data;          // buffer, point or icon record; the help viewer's data
    char text[64];       // the help file's name ("(null)" for none)
    // Shell_NotifyIconA: what its last notice held, and its calls by message
    // (add, modify, delete).
    unsigned int noticeSize, noticeId, noticeFlags, noticeMessage;
    void *noticeWindow, *noticeIcon;
    char noticeTip[128];
    int notifyCalls[3];
};

typedef struct FakeSystemCalls *(*FakeSystemRecordFn)(void);

// What the stand-ins give back, so a test can tell them from the system.
#define FAKE_QUERY_FILE_RESULT(index) (4000u + (index))
#define FAKE_NOTIFY_RESULT(message) (100 + (int)(message))
#define FAKE_POINT_X 7
#define FAKE_POINT_Y 9
#define FAKE_HELP_WINDOW ((HWND)(uintptr_t)0x5A5A)

#endif
