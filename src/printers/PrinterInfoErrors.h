#pragma once
// The errors of the printer information: a family under PrinterInfoError with fixed English messages, and the
// assertion failure raised when the printing system gives answers that contradict each other.

#include "base/AppError.h"

#include <source_location>
#include <string>

namespace hozonix::printing {

class PrinterInfoError : public AppError {
public:
    using AppError::AppError;
};

class NoPrinterError : public PrinterInfoError {
public:
    using PrinterInfoError::PrinterInfoError;
};

class IllegalPrinterIndexError : public PrinterInfoError {
public:
    using PrinterInfoError::PrinterInfoError;
};

class NotSupportedError : public PrinterInfoError {
public:
    using PrinterInfoError::PrinterInfoError;
};

class NoPrinterInfoError : public PrinterInfoError {
public:
    using PrinterInfoError::PrinterInfoError;
};

class PaperSizeError : public PrinterInfoError {
public:
    using PrinterInfoError::PrinterInfoError;
};

// Not an PrinterInfoError: callers that catch printer-information errors must not swallow these.
class AssertionFailedError : public AppError {
public:
    using AppError::AppError;
};

// Raises AssertionFailedError with "アサートの? (PrinterInfo, line N)" unless `condition` holds.
void PrinterInfoAssert(bool condition, std::source_location where = std::source_location::current());

} // namespace hozonix::printing
