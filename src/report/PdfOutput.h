#pragma once
// Replays stored pages onto a PDF document.

#include "report/PageStore.h"

#include <QByteArray>
#include <QString>

namespace hozonix::report {

// Every page of the store, one PDF page each, at the store's sheet and orientation. Qt's PDF writer
// embeds the part of each font the pages use, so the file shows the same on any machine.
QByteArray RenderPdf(const PageStore& store, const QString& title);
// The pages `pages` selects (see SelectedPages), which must be some.
QByteArray RenderPdf(const PageStore& store, const QString& title, PageRange pages);

} // namespace hozonix::report
