#pragma once

#include <QStringList>

class QTextStream;

// The command-line converter: card files and deck files in, deck files, text or
// comma-delimited text out, through the same readers, writer and exports as the program.
namespace Converter {

// Runs one command line (without the program name); returns the exit status.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace Converter
