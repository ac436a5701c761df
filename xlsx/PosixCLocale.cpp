#include <clocale>
#include <locale.h>

#include "xlsx/CLocale.h"

namespace drovane::xlsx {
namespace {

// The "C" locale, made once for the process and never changed.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

CLocaleScope::CLocaleScope() {
    if (CLocale() != static_cast<locale_t>(nullptr)) previous_ = uselocale(CLocale());
}

CLocaleScope::~CLocaleScope() {
    if (previous_ != nullptr) uselocale(static_cast<locale_t>(previous_));
}

}  // namespace drovane::xlsx
