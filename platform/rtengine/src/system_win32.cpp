// System attributes, Windows backend: the decimal symbol of the user's regional
// settings.
#include <windows.h>

#include "rte_internal.h"

namespace rte {

char platformDecimalSymbol() {
    char symbol[8] = {0};
    // The setting may hold up to three characters; only a one-byte symbol is usable.
    int written = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, symbol, sizeof symbol);
    if (written != 2 || symbol[0] == '\0') return '.';
    return symbol[0];
}

}  // namespace rte
