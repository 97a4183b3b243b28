// POSIX backend of the process model: the detach flag lives in the process, and the
// default popup presenter is standard error.
#include <atomic>
#include <cstdio>
#include <unistd.h>

#include "rte_internal.h"

namespace {
std::atomic<bool> published{false};
std::atomic<int> detachFlag{1};
}  // namespace

namespace rte {

bool publishDetachFlag() {
    detachFlag.store(0);
    published.store(true);
    return true;
}

void markDetached() { detachFlag.store(1); }

int readPublishedDetachFlag() { return published.load() ? detachFlag.load() : 1; }

void endProcess(int code) {
    std::fflush(nullptr);
    _exit(code);
}

RTE_PopupPresenter defaultPresenter() { return RTE_StderrPopupPresenter; }

}  // namespace rte
