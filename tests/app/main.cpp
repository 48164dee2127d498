#include <QApplication>
#include <QTest>

#include "test_registry.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // the widget tests need a GUI application
    int failed = 0;
    for (const auto& make : tessaly::test::registered_tests()) {
        std::unique_ptr<QObject> test = make();
        failed += QTest::qExec(test.get(), argc, argv) != 0;
    }
    return failed == 0 ? 0 : 1;
}
