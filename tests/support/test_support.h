// Helpers shared by the test suites: a scratch folder per test, a counting
// library-error handler and a recording popup presenter.
#ifndef TOOLBOX_TEST_SUPPORT_H
#define TOOLBOX_TEST_SUPPORT_H

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "rtengine.h"

namespace testing_support {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with all it holds.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            fs::path candidate =
                fs::temp_directory_path() / ("tbtest-" + std::to_string(random() % 1000000000));
            std::error_code error;
            if (fs::create_directory(candidate, error)) {
                root_ = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot make a scratch folder");
    }
    ~ScratchDir() {
        std::error_code error;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(root_, error);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    // The path of name inside the folder, in the platform's own notation.
    std::string path(const std::string &name = "") const {
        return name.empty() ? root_.string() : (root_ / name).string();
    }

    // Writes bytes to name and gives its path.
    std::string write(const std::string &name, const std::string &bytes) const {
        std::ofstream out(root_ / name, std::ios::binary);
        out << bytes;
        return path(name);
    }

private:
    fs::path root_;
};

// A symbolic link named name in dir that points to nothing; empty when this system
// cannot make links.
inline std::string danglingLink(const ScratchDir &dir, const std::string &name) {
    std::error_code error;
    fs::create_symlink(dir.path(name + ".gone"), dir.path(name), error);
    return error ? std::string() : dir.path(name);
}

// Makes folder the current folder while it lives, so that short relative paths can
// name files with long names; restores the folder it found.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string &folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() {
        std::error_code error;
        fs::current_path(previous_, error);
    }
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;

private:
    fs::path previous_;
};

inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Counts the engine's library-error reports while it lives, with breaking switched on;
// restores the handler and the setting it found.
class LibraryErrorCounter {
public:
    LibraryErrorCounter() {
        count() = 0;
        previousHandler_ = RTE_SetLibraryErrorHandler(&LibraryErrorCounter::handle);
        previousSetting_ = SetBreakOnLibraryErrors(1);
    }
    ~LibraryErrorCounter() {
        SetBreakOnLibraryErrors(previousSetting_);
        RTE_SetLibraryErrorHandler(previousHandler_);
    }
    LibraryErrorCounter(const LibraryErrorCounter &) = delete;
    LibraryErrorCounter &operator=(const LibraryErrorCounter &) = delete;

    int reports() const { return count(); }
    static std::string lastFunction() { return last(); }
    static int lastCode() { return lastCodeRef(); }

private:
    static std::atomic<int> &count() {
        static std::atomic<int> value{0};
        return value;
    }
    static std::string &last() {
        static std::string value;
        return value;
    }
    static int &lastCodeRef() {
        static int value = 0;
        return value;
    }
    static void handle(const char *function, int code) {
        ++count();
        last() = function;
        lastCodeRef() = code;
    }

    RTE_LibraryErrorHandler previousHandler_;
    int previousSetting_;
};

// Records every popup while it lives instead of showing it.
class RecordingPresenter {
public:
    struct Popup {
        std::string title;
        std::string text;
    };
    RecordingPresenter() {
        popups().clear();
        previous_ = RTE_SetPopupPresenter(&RecordingPresenter::record);
    }
    ~RecordingPresenter() { RTE_SetPopupPresenter(previous_); }
    RecordingPresenter(const RecordingPresenter &) = delete;
    RecordingPresenter &operator=(const RecordingPresenter &) = delete;

    const std::vector<Popup> &shown() const { return popups(); }

private:
    static std::vector<Popup> &popups() {
        static std::vector<Popup> value;
        return value;
    }
    static void record(const char *title, const char *text) { popups().push_back({title, text}); }

    RTE_PopupPresenter previous_;
};

}  // namespace testing_support

#endif
