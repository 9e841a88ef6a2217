#include "AppGlobals.h"

AppGlobals *AppGlobals::instance() {
    static AppGlobals *globals = new AppGlobals;  // lives until the process ends
    return globals;
}

void AppGlobals::setModified(bool modified, bool notify) {
    m_modified = modified;
    if (notify)
        emit modifyStateChanged(modified);
}
