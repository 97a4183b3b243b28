// Windows suites: running a command such as the system's reg.exe and reading what it
// printed, so a test can check registry state through a client independent of the
// library.
#ifndef TOOLBOX_WIN32_COMMANDS_H
#define TOOLBOX_WIN32_COMMANDS_H

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Runs a command line and returns what it printed on standard output and error.
inline std::string runCapturing(const std::string &commandLine, DWORD &exitCode) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "<no pipe>";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        output = "<not started>";
    }
    CloseHandle(readEnd);
    return output;
}

// The value lines of "reg query": four spaces, then name, type and data separated by
// four spaces. Returns name -> {type, data}.
inline std::map<std::string, std::pair<std::string, std::string>> parseRegQuery(
    const std::string &output) {
    std::map<std::string, std::pair<std::string, std::string>> values;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 4, "    ") != 0) continue;
        line = line.substr(4);
        size_t first = line.find("    ");
        if (first == std::string::npos) continue;
        size_t second = line.find("    ", first + 4);
        std::string name = line.substr(0, first);
        std::string type = line.substr(first + 4, second == std::string::npos ? std::string::npos
                                                                               : second - first - 4);
        std::string data = second == std::string::npos ? "" : line.substr(second + 4);
        values[name] = {type, data};
    }
    return values;
}

}  // namespace testing_support

#endif
