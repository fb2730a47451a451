#include "ui/ScreenCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace hozonix::ui {

bool ScreenCursorIsBusy() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

void SetScreenCursorBusy(bool busy) {
    if (busy) {
        if (!ScreenCursorIsBusy())
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (ScreenCursorIsBusy())
        QGuiApplication::restoreOverrideCursor();
}

} // namespace hozonix::ui
