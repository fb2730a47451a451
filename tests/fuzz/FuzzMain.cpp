// libFuzzer entry points; built only with -DHOZONIX_LIBFUZZER=ON and clang. The first byte of an input
// picks what the rest is: the body of a report behind a valid seal, a whole report file, or a settings
// file.

#include "FuzzTargets.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Text layout needs the font database of a GUI application.
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        hozonix::test::FuzzReportFile(rest, true);
        break;
    case 1:
        hozonix::test::FuzzReportFile(rest, false);
        break;
    default:
        hozonix::test::FuzzSettingsFile(rest);
        break;
    }
    return 0;
}
