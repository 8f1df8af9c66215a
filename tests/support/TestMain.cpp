// Every test executable runs with a QApplication on the offscreen platform, so fonts,
// images and text layout work as in the program.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
        qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KitchoraTests"));
    QCoreApplication::setApplicationName(QStringLiteral("KitchoraTests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
