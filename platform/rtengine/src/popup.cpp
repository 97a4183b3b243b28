// MessagePopup and its replaceable presenter.
#include <atomic>
#include <cstdio>

#include "rte_internal.h"

namespace {
std::atomic<RTE_PopupPresenter> installedPresenter{nullptr};
}

extern "C" {

void RTE_StderrPopupPresenter(const char *title, const char *text) {
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
}

RTE_PopupPresenter RTE_SetPopupPresenter(RTE_PopupPresenter presenter) {
    RTE_PopupPresenter previous = installedPresenter.exchange(presenter);
    return previous ? previous : rte::defaultPresenter();
}

int MessagePopup(const char *title, const char *text) {
    RTE_PopupPresenter presenter = installedPresenter.load();
    if (!presenter) presenter = rte::defaultPresenter();
    presenter(title ? title : "", text ? text : "");
    return 0;
}

}  // extern "C"
