#ifndef BENCHTEST_H
#define BENCHTEST_H

#include <QApplication>
#include <QByteArray>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include "toolenvironment.h"

// Replaces QTEST_MAIN: every test process gets a configuration directory of
// its own before the application object exists, so nothing reads or writes
// the user's real settings, and the directory is removed afterwards.
#define BENCH_TEST_MAIN(TestObject) BENCH_TEST_MAIN_WITH(TestObject, QApplication)

// The same with an application class of the test's own, such as
// GuardedApplication.
#define BENCH_TEST_MAIN_WITH(TestObject, Application)                          \
    int main(int argc, char *argv[])                                           \
    {                                                                          \
        QTemporaryDir configHome;                                              \
        if (!configHome.isValid()) {                                           \
            std::fprintf(stderr, "no temporary configuration directory\n");  \
            return 1;                                                          \
        }                                                                      \
        useOwnSettingsFolder(configHome.path());                               \
        Application app(argc, argv);                                           \
        app.setAttribute(Qt::AA_Use96Dpi, true);                               \
        TestObject tc;                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                             \
        return QTest::qExec(&tc, argc, argv);                                  \
    }

#endif // BENCHTEST_H
