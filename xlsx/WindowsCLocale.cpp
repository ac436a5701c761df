// The "C" locale for the writing thread on Windows: the C runtime's locale made the thread's own
// for the scope, set to "C", and given back as it was.
#include <clocale>
#include <locale.h>

#include "xlsx/CLocale.h"

namespace drovane::xlsx {

CLocaleScope::CLocaleScope() : previousSetting_(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
    if (previousSetting_ == -1) return;
    const char* name = std::setlocale(LC_ALL, nullptr);
    previousName_ = name != nullptr ? name : "C";
    std::setlocale(LC_ALL, "C");
}

CLocaleScope::~CLocaleScope() {
    if (previousSetting_ == -1) return;
    std::setlocale(LC_ALL, previousName_.c_str());
    _configthreadlocale(previousSetting_);
}

}  // namespace drovane::xlsx
