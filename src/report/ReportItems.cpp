#include "report/ReportItems.h"

namespace hozonix::report {

QString ReportLabel::TextToPrint(const PrintContext&) {
    QString text = caption;
    if (onPrint)
        onPrint(*this, text);
    return text;
}

QString SystemField::TextToPrint(const PrintContext& context) {
    switch (kind) {
    case SystemFieldKind::DateTime:
        return context.dateTime;
    case SystemFieldKind::ReportTitle:
        return context.reportTitle;
    case SystemFieldKind::PageNumber:
        return QString::number(context.pageNumber);
    }
    return {};
}

ReportLabel& Band::AddLabel(const QString& name) {
    auto label = std::make_unique<ReportLabel>(name);
    ReportLabel& ref = *label;
    items_.push_back(std::move(label));
    return ref;
}

SystemField& Band::AddSystemField(const QString& name, SystemFieldKind kind) {
    auto field = std::make_unique<SystemField>(name, kind);
    SystemField& ref = *field;
    items_.push_back(std::move(field));
    return ref;
}

ReportItem* Band::FindItem(const QString& name) const {
    for (const auto& item : items_) {
        if (item->Name().compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    }
    return nullptr;
}

QFont ReportFont(const QString& family, double pointSize) {
    QFont font(family);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace hozonix::report
