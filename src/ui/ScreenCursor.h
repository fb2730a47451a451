#pragma once
// The screen cursor as one value, busy or normal: setting it twice does not stack, and one call to normal
// always brings the default pointer back (the abort button relies on that during a run).

namespace hozonix::ui {

void SetScreenCursorBusy(bool busy);
bool ScreenCursorIsBusy();

} // namespace hozonix::ui
