// main() for widget tests: a QApplication on the offscreen platform, with the
// platform's harmless "not supported" chatter dropped so real warnings stand out.

#include <QApplication>
#include <QtGlobal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QtMessageHandler defaultHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains("This plugin does not support"))
        return;
    defaultHandler(type, context, message);
}

void prepareEnvironment() {
    // OMBRIX_TEST_QPA_PLATFORM picks another platform (xcb under Xvfb) for
    // the tests that need a real window system; any other setting is ignored.
    const char* platform = std::getenv("OMBRIX_TEST_QPA_PLATFORM");
    setenv("QT_QPA_PLATFORM", platform && *platform ? platform : "offscreen", 1);
    std::string runtimeDir = "/tmp/ombrix-test-runtime-" + std::to_string(getuid());
    mkdir(runtimeDir.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 0);
}

} // namespace

int main(int argc, char** argv) {
    prepareEnvironment();
    defaultHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
