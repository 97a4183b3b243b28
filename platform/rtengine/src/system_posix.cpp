// System attributes, POSIX backend: the radix character of the user's numeric locale
// as the environment names it. A locale object of its own is made for the question, so
// the process locale (and every other thread's formatting) stays as it is.
#include <langinfo.h>
#include <locale.h>

#include <cstring>

#include "rte_internal.h"

namespace rte {

char platformDecimalSymbol() {
    locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) return '.';
    const char *radix = nl_langinfo_l(RADIXCHAR, user);
    char symbol = (radix && radix[0] && !radix[1]) ? radix[0] : '.';
    freelocale(user);
    return symbol;
}

}  // namespace rte
