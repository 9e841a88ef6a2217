#pragma once

#include <QApplication>
#include <QTest>

#include "FreshDataFolder.h"

// main() of a widget test with fresh per-user folders; unlike QTEST_MAIN it keeps the screen's DPI.
#define TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestObject) \
    int main(int argc, char **argv) {                  \
        FreshDataFolder dataFolder;                    \
        QApplication app(argc, argv);                  \
        TestObject test;                               \
        return QTest::qExec(&test, argc, argv);        \
    }
