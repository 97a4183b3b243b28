// Reads BMP files back with a reader that is not ours: ImageMagick's tools natively,
// the system's LoadImageA and GetDIBits on Windows (link gdi32).
#ifndef TOOLBOX_BITMAP_READER_H
#define TOOLBOX_BITMAP_READER_H

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testing_support {

// What an outside reader finds in a BMP file: its size, palette length and every pixel.
struct BitmapReading {
    int width = -1, height = -1, colormapEntries = 0;
    std::vector<int> pixels;  // 0xRRGGBB, rows top first
};

#ifdef _WIN32
// The system's own loader and converter read the file.
inline bool readWithWindows(const std::string &path, BitmapReading &reading) {
    HBITMAP loaded = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!loaded) return false;
    DIBSECTION section{};
    HDC dc = CreateCompatibleDC(nullptr);
    bool read = dc && GetObjectA(loaded, sizeof section, &section) == sizeof section;
    if (read) {
        reading.width = section.dsBm.bmWidth;
        reading.height = section.dsBm.bmHeight;
        HGDIOBJ previous = SelectObject(dc, loaded);
        RGBQUAD entries[256];
        reading.colormapEntries = static_cast<int>(GetDIBColorTable(dc, 0, 256, entries));
        SelectObject(dc, previous);
        BITMAPINFO request{};
        request.bmiHeader.biSize = sizeof request.bmiHeader;
        request.bmiHeader.biWidth = reading.width;
        request.bmiHeader.biHeight = -reading.height;  // rows top first
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 32;
        request.bmiHeader.biCompression = BI_RGB;
        std::vector<unsigned char> bgrx(static_cast<size_t>(reading.width) * reading.height * 4);
        read = GetDIBits(dc, loaded, 0, static_cast<UINT>(reading.height), bgrx.data(), &request,
                         DIB_RGB_COLORS) == reading.height;
        for (size_t i = 0; read && i < bgrx.size(); i += 4)
            reading.pixels.push_back(bgrx[i + 2] << 16 | bgrx[i + 1] << 8 | bgrx[i]);
    }
    if (dc) DeleteDC(dc);
    DeleteObject(loaded);
    return read;
}

inline bool readBitmapFile(const std::string &path, BitmapReading &reading) {
    return readWithWindows(path, reading);
}
#else
inline std::string runTool(const std::string &command) {
    std::string output;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
        pclose(pipe);
    }
    return output;
}

inline bool readWithImageMagick(const std::string &path, BitmapReading &reading) {
    std::string quoted = "'" + path + "'";
    std::istringstream info(runTool("/usr/bin/identify -verbose " + quoted + " 2>/dev/null"));
    for (std::string line; std::getline(info, line);) {
        if (line.find("  Geometry: ") == 0)
            std::sscanf(line.c_str(), "  Geometry: %dx%d", &reading.width, &reading.height);
        if (line.find("  Colormap entries: ") == 0)
            std::sscanf(line.c_str(), "  Colormap entries: %d", &reading.colormapEntries);
    }
    if (reading.width < 1 || reading.height < 1) return false;
    reading.pixels.assign(static_cast<size_t>(reading.width) * reading.height, -1);
    std::istringstream dump(runTool("/usr/bin/convert " + quoted + " -depth 8 txt:- 2>/dev/null"));
    for (std::string line; std::getline(dump, line);) {
        int x, y, r, g, b;
        if (line[0] == '#' || std::sscanf(line.c_str(), "%d,%d: (%d,%d,%d", &x, &y, &r, &g, &b) != 5)
            continue;
        if (x >= 0 && x < reading.width && y >= 0 && y < reading.height)
            reading.pixels[static_cast<size_t>(y) * reading.width + x] = r << 16 | g << 8 | b;
    }
    return true;
}

inline bool readBitmapFile(const std::string &path, BitmapReading &reading) {
    return readWithImageMagick(path, reading);
}
#endif

}  // namespace testing_support

#endif
