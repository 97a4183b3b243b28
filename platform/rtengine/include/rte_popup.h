/* rtengine: popups. Where a popup goes is decided by a replaceable presenter. */
#ifndef RTE_POPUP_H
#define RTE_POPUP_H

#include "rte_api.h"

RTE_EXTERN_C_BEGIN

/* A presenter shows a title and a text and returns when the user has seen it. */
typedef void (*RTE_PopupPresenter)(const char *title, const char *text);

/* Shows text under title through the current presenter and waits until it is
 * dismissed. A null title or text counts as "". Returns 0. */
RTE_API int MessagePopup(const char *title, const char *text);

/* Installs a presenter (null: the default) and returns the previous one. The default
 * is a modal message box in an interactive Windows session and
 * RTE_StderrPopupPresenter everywhere else. */
RTE_API RTE_PopupPresenter RTE_SetPopupPresenter(RTE_PopupPresenter presenter);

/* Writes "<title>: <text>" and a line feed to standard error. */
RTE_API void RTE_StderrPopupPresenter(const char *title, const char *text);

RTE_EXTERN_C_END

#endif
