#include <QGuiApplication>

#include <gtest/gtest.h>

// Drawing needs a GUI application; tests run it off screen.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
