#include "files/Converter.h"
#include "files/FileNames.h"
#include "files/SafeWrite.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    SafeWrite::ignoreFileSizeSignal();
    QCoreApplication app(argc, argv);
    // The arguments as their bytes: a file name need not be UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << FileNames::decode(QByteArrayView(argv[i]));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return Converter::run(arguments, out, err);
}
