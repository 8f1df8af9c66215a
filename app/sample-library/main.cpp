// make-sample-library <card file> <store file>
// Writes the sample library store from a card file; run by the build. Exits non-zero, with the
// reason on stderr, when the store cannot be made.
#include "SampleLibraryBuilder.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: make-sample-library <card file> <store file>\n");
        return 2;
    }

    // The recipes must not depend on the settings of whoever runs the build.
    QTemporaryDir defaultsDir;
    if (!defaultsDir.isValid()) {
        std::fprintf(stderr, "make-sample-library: cannot make a temporary folder: %s\n",
            qPrintable(defaultsDir.errorString()));
        return 1;
    }
    UserDefaults::setStandardUserDefaultsFile(defaultsDir.filePath(QStringLiteral("defaults.ini")));

    Error error;
    const std::optional<int> count = SampleLibraryBuilder::buildLibrary(arguments[1], arguments[2], &error);
    if (!count) {
        std::fprintf(stderr, "make-sample-library: cannot make %s: %s\n", qPrintable(arguments[2]),
            qPrintable(error.localizedDescription));
        return 1;
    }
    std::printf("make-sample-library: %d recipes in %s\n", *count, qPrintable(arguments[2]));
    return 0;
}
