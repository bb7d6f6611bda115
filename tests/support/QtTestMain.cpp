#include <QCoreApplication>

#include <gtest/gtest.h>

// Tests of Qt objects need an application object for their event loops and threads.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
