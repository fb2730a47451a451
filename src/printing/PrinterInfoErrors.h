#pragma once
// The errors of the printer information: a family under EPrinterInfo with fixed English messages, and the
// assertion failure raised when the printing system gives answers that contradict each other.

#include "AppError.h"

#include <source_location>
#include <string>

namespace hozonix::printing {

class EPrinterInfo : public AppError {
public:
    using AppError::AppError;
};

class EPrinterInfoNoPrinter : public EPrinterInfo {
public:
    using EPrinterInfo::EPrinterInfo;
};

class EPrinterInfoIllegalIndex : public EPrinterInfo {
public:
    using EPrinterInfo::EPrinterInfo;
};

class EPrinterInfoNotSupported : public EPrinterInfo {
public:
    using EPrinterInfo::EPrinterInfo;
};

class EPrinterInfoNoInfo : public EPrinterInfo {
public:
    using EPrinterInfo::EPrinterInfo;
};

class EPrinterInfoPaperSizeError : public EPrinterInfo {
public:
    using EPrinterInfo::EPrinterInfo;
};

// Not an EPrinterInfo: callers that catch printer-information errors must not swallow these.
class EAssertionFailed : public AppError {
public:
    using AppError::AppError;
};

// Raises EAssertionFailed with "アサートの? (PrinterInfo, line N)" unless `condition` holds.
void PrinterInfoAssert(bool condition, std::source_location where = std::source_location::current());

} // namespace hozonix::printing
