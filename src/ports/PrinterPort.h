#pragma once

#include <QString>

#include <memory>

class PrintPage;

enum class PrinterSetup { Cancelled, Failed, Ready };

// Printing set-up: the choice of a printer and the start of a job on it.
class PrinterPort {
public:
    virtual ~PrinterPort() = default;
    // Lets the user choose a printer and starts a print job named documentName on it. Ready
    // gives the page to print on; Failed means the printer could not be set up.
    virtual PrinterSetup openPrinter(const QString& documentName,
                                     std::unique_ptr<PrintPage>& page) = 0;
};
