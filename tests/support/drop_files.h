// Windows suites: a drop of files as the shell hands it to a window, a DROPFILES block in
// movable global memory with the names after it, ANSI or wide, double-null terminated.
#ifndef TOOLBOX_DROP_FILES_H
#define TOOLBOX_DROP_FILES_H

#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

// The block for names dropped at (x, y); outsideClient marks the point as lying in the
// window's frame. Null when the memory cannot be had. Whoever handles the drop frees it.
inline HGLOBAL makeDropBlock(const std::vector<std::string> &names, POINT at, bool wide,
                             bool outsideClient = false) {
    std::vector<char> list;
    for (const std::string &name : names) {
        for (char c : name) {
            list.push_back(c);
            if (wide) list.push_back('\0');  // the test names are ASCII
        }
        list.insert(list.end(), wide ? 2 : 1, '\0');
    }
    list.insert(list.end(), wide ? 2 : 1, '\0');
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    if (!block) return nullptr;
    auto *header = static_cast<DROPFILES *>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->pt = at;
    header->fNC = outsideClient;
    header->fWide = wide;
    std::memcpy(header + 1, list.data(), list.size());
    GlobalUnlock(block);
    return block;
}

}  // namespace testing_support

#endif
