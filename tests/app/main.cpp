#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include "test_registry.h"

// Runs every registered test class; TESSALY_TEST_CLASS=Name runs that one
// only. Other arguments go to Qt Test as usual.
int main(int argc, char** argv) {
    QApplication app(argc, argv);  // the widget tests need a GUI application
    const char* only = std::getenv("TESSALY_TEST_CLASS");
    int failed = 0;
    for (const auto& make : tessaly::test::registered_tests()) {
        std::unique_ptr<QObject> test = make();
        if (only && *only && std::strcmp(test->metaObject()->className(), only) != 0) continue;
        failed += QTest::qExec(test.get(), argc, argv) != 0;
    }
    return failed == 0 ? 0 : 1;
}
