#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "test_registry.h"

// Runs every registered test class; TESSALY_TEST_CLASS=Name runs that one
// only. Other arguments go to Qt Test as usual.
int main(int argc, char** argv) {
    QApplication app(argc, argv);  // the widget tests need a GUI application
    const char* only = std::getenv("TESSALY_TEST_CLASS");
    int failed = 0, run = 0;
    for (const auto& make : tessaly::test::registered_tests()) {
        std::unique_ptr<QObject> test = make();
        if (only && *only && std::strcmp(test->metaObject()->className(), only) != 0) continue;
        ++run;
        failed += QTest::qExec(test.get(), argc, argv) != 0;
    }
    // A class asked for by a name that none has ran nothing: that is no pass.
    if (run == 0) {
        std::fprintf(stderr, "app_tests: no test class named %s\n", only ? only : "");
        return 1;
    }
    return failed == 0 ? 0 : 1;
}
