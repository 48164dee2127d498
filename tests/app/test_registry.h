#pragma once

// The application tests are Qt Test classes in several files, run by one
// program: each file registers its class here.

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace tessaly::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<TestFactory>& registered_tests() {
    static std::vector<TestFactory> tests;
    return tests;
}

struct RegisterTest {
    explicit RegisterTest(TestFactory factory) { registered_tests().push_back(std::move(factory)); }
};

}  // namespace tessaly::test

#define TESSALY_REGISTER_TEST(Class) \
    static const tessaly::test::RegisterTest register_##Class([] { return std::make_unique<Class>(); })
