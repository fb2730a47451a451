#pragma once
// Replays stored pages onto a PDF document.

#include "report/PageStore.h"

#include <QByteArray>
#include <QString>

namespace hozonix::report {

// Every page of the store, one PDF page each, at the store's sheet and orientation.
QByteArray RenderPdf(const PageStore& store, const QString& title);

} // namespace hozonix::report
