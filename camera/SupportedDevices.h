#pragma once

#include <QStringList>

// The cameras the program serves: a device is listed only when its USB product id is in the
// first list and its friendly name in the second. The lists are independent of each other.
const QStringList &supportedProductIds();
const QStringList &supportedFriendlyNames();
