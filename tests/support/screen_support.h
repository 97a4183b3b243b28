// Windows suites that look at pixels: what a device context draws, caught in a 32-bit
// DIB section; what the screen shows, read back from the display through the system
// and, under Wine, by a program outside it; waiting for a window's picture to reach
// the screen; and pictures saved for a person to look at when a comparison fails.
// Link gdi32.
#ifndef TOOLBOX_SCREEN_SUPPORT_H
#define TOOLBOX_SCREEN_SUPPORT_H

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "picture_support.h"
#include "rtengine.h"

namespace testing_support {

// True when the run has a real display (scripts/test's display step sets
// TOOLBOX_DISPLAY=1); on Wine's null driver nothing reaches a screen.
inline bool onDisplay() {
    char value[8] = "";
    return GetEnvironmentVariableA("TOOLBOX_DISPLAY", value, sizeof value) && value[0] == '1';
}

// What draw() leaves in a width x height 32-bit DIB section selected into a memory
// DC, as 0xRRGGBB; the section starts as 0xFF00FF, so what is not drawn shows.
inline Pixels drawnPixels(int width, int height, const std::function<void(HDC)> &draw) {
    Pixels out;
    if (width <= 0 || height <= 0) return out;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (section) {
        HGDIOBJ previous = SelectObject(dc, section);
        auto *pixels = static_cast<unsigned *>(bits);
        std::fill_n(pixels, size_t(width) * size_t(height), 0x00FF00FFu);
        draw(dc);
        GdiFlush();
        out.width = width, out.height = height;
        for (size_t k = 0; k < size_t(width) * size_t(height); ++k) out.rgb.push_back(int(pixels[k] & 0xFFFFFF));
        SelectObject(dc, previous);
        DeleteObject(section);
    }
    if (dc) DeleteDC(dc);
    return out;
}

// The window's client area in screen coordinates.
inline RECT clientOnScreen(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    return client;
}

// What the display shows in a rectangle of the screen: copied from the screen's DC,
// which under a display driver reads the pixels back from the display itself.
inline Pixels screenPixels(const RECT &area) {
    HDC screen = GetDC(nullptr);
    if (!screen) return {};
    Pixels shot = drawnPixels(area.right - area.left, area.bottom - area.top, [&](HDC dc) {
        BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
               area.top, SRCCOPY);
    });
    ReleaseDC(nullptr, screen);
    return shot;
}

// True under Wine, which exports its version from ntdll.
inline bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll"), "wine_get_version") != nullptr;
}

// The Unix name of a file under Wine, empty elsewhere.
inline std::string unixNameOf(const std::string &path) {
    using UnixName = char *(CDECL *)(const WCHAR *);
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH] = L"";
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return "";
    char *name = toUnix(wide);
    if (!name) return "";
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// The pixels of a binary PPM file (P6, 8 bits per sample).
inline Pixels readPpm(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, largest = 0;
    if (!(in >> magic >> width >> height >> largest) || magic != "P6" || largest != 255 ||
        width <= 0 || height <= 0)
        return {};
    in.get();  // the one white-space byte before the samples
    std::vector<unsigned char> samples(size_t(width) * size_t(height) * 3);
    if (!in.read(reinterpret_cast<char *>(samples.data()), std::streamsize(samples.size()))) return {};
    Pixels out;
    out.width = width, out.height = height;
    for (size_t k = 0; k < samples.size(); k += 3)
        out.rgb.push_back(samples[k] << 16 | samples[k + 1] << 8 | samples[k + 2]);
    return out;
}

// What the X server shows in a rectangle of the screen, read by a program outside Wine
// (ImageMagick's import, from the display's root window, whose origin is the virtual
// desktop's). Under Wine only; empty, with the reason in *why, when it could not be
// had. Wine starts a Unix program without a process handle, so the picture is awaited
// by its file, which appears whole (renamed once written).
inline Pixels screenPixelsFromOutside(const RECT &area, std::string *why, DWORD timeoutMs = 5000) {
    const std::string shot = "outside-screenshot.ppm";
    DeleteFileA(shot.c_str());
    char full[MAX_PATH] = "";
    const std::string target =
        GetFullPathNameA(shot.c_str(), MAX_PATH, full, nullptr) ? unixNameOf(full) : "";
    if (target.empty()) return *why = "no Unix name for " + shot, Pixels{};
    std::ostringstream command;
    command << "/bin/sh -c \"import -window root -depth 8 -crop " << area.right - area.left << "x"
            << area.bottom - area.top << "+" << area.left << "+" << area.top << " 'ppm:" << target
            << ".part' && mv '" << target << ".part' '" << target << "'\"";
    std::string line = command.str();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return *why = "/bin/sh could not be started: error " + std::to_string(GetLastError()), Pixels{};
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(shot.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) return *why = "no picture from: " + line, Pixels{};
        Sleep(10);
    }
    Pixels out = readPpm(shot);
    DeleteFileA(shot.c_str());
    if (out.width < 0) *why = "unreadable picture from: " + line;
    return out;
}

// Lets the window paint (the thread's events, then any paint still due) until the
// screen shows expected() in its client area or timeoutMs has gone by; returns the
// last screenshot. The expected picture is asked for again each time, as a change may
// still be on its way to the model.
inline Pixels screenOnceItShows(HWND window, const std::function<Pixels()> &expected,
                                Pixels &wanted, DWORD timeoutMs = 2000) {
    const DWORD start = GetTickCount();
    Pixels shot;
    for (;;) {
        ProcessSystemEvents();
        UpdateWindow(window);
        GdiFlush();
        wanted = expected();
        shot = screenPixels(clientOnScreen(window));
        if (shot == wanted || GetTickCount() - start > timeoutMs) return shot;
        Sleep(10);
    }
}

// Saves a picture as a PNG with the engine's writer; the full path, or why not.
inline std::string savedPicture(const Pixels &picture, const std::string &path) {
    if (picture.width <= 0 || picture.height <= 0) return "(no picture)";
    std::vector<unsigned char> bits;
    for (int colour : picture.rgb) {
        bits.push_back(static_cast<unsigned char>(colour >> 16));
        bits.push_back(static_cast<unsigned char>(colour >> 8));
        bits.push_back(static_cast<unsigned char>(colour));
    }
    ScopedBitmap bitmap;
    if (NewBitmap(RTE_BITMAP_AUTO_ROW_BYTES, 24, picture.width, picture.height, nullptr,
                  bits.data(), nullptr, bitmap.out()) != 0 ||
        SaveBitmapToPngFile(bitmap.get(), path.c_str()) != 0)
        return "(could not save " + path + ")";
    char full[MAX_PATH] = "";
    return GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr) ? full : path;
}

// Empty when the pictures are equal; otherwise where they differ, with both saved as
// PNG files named after `name` in the folder screen-mismatch (beside the suite, in the
// build tree) for a look.
inline std::string pictureMismatch(const Pixels &shown, const Pixels &expected,
                                   const std::string &name) {
    if (shown == expected) return "";
    std::ostringstream out;
    out << "the screen shows " << shown << ", the engine drew " << expected;
    if (shown.width == expected.width && shown.height == expected.height) {
        int differing = 0, first = -1;
        for (size_t k = 0; k < shown.rgb.size(); ++k)
            if (shown.rgb[k] != expected.rgb[k]) {
                if (first < 0) first = int(k);
                ++differing;
            }
        out << "; " << differing << " pixels differ, the first at ("
            << first % shown.width << ", " << first / shown.width << "): 0x" << std::hex
            << shown.rgb[size_t(first)] << " on the screen, 0x" << expected.rgb[size_t(first)]
            << " drawn" << std::dec;
    }
    CreateDirectoryA("screen-mismatch", nullptr);
    const std::string stem = "screen-mismatch\\" + name;
    out << "\n  screenshot: " << savedPicture(shown, stem + "-screen.png")
        << "\n  expected:   " << savedPicture(expected, stem + "-expected.png");
    return out.str();
}

}  // namespace testing_support

#endif
