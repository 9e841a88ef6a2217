#pragma once

#include <QApplication>
#include <QTest>

#include "FreshDataFolder.h"

// main() of a widget test whose run keeps profiles, the index file and the external log in a
// fresh folder, never the user's own. Unlike QTEST_MAIN it leaves the screen's DPI as it is.
#define TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestObject) \
    int main(int argc, char **argv) {                  \
        FreshDataFolder dataFolder;                    \
        QApplication app(argc, argv);                  \
        TestObject test;                               \
        return QTest::qExec(&test, argc, argv);        \
    }
