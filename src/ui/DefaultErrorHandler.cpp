#include "ui/DefaultErrorHandler.h"

#include <new>
#include <string>

namespace hozonix::ui {

void ShowCurrentError(MessageBoxService& messages) noexcept {
    std::string text;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        text = "Out of memory";
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "Unknown error";
    }
    try {
        messages.ShowMessage(text);
    } catch (...) {
        // Nothing more can be done than not to end the program.
    }
}

} // namespace hozonix::ui
