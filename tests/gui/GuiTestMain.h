#pragma once

// The start of every Qt Test program here. The programs run outside ctest too (test discovery,
// by hand), so they default to a display-free platform and a private runtime folder unless the
// caller gave them.

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace guitest {

inline void prepareEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        static QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
}

// Runs the test object's slots under an application object of the given class, made only once
// the environment is set.
template <class Application, class TestClass> int runTests(int& argc, char** argv) {
    prepareEnvironment();
    Application application(argc, argv);
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace guitest

#define PNHOLD_GUI_TEST_MAIN_WITH(ApplicationClass, TestClass)                                     \
    int main(int argc, char** argv) {                                                              \
        return guitest::runTests<ApplicationClass, TestClass>(argc, argv);                         \
    }

#define PNHOLD_GUI_TEST_MAIN(TestClass) PNHOLD_GUI_TEST_MAIN_WITH(QApplication, TestClass)
