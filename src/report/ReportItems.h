#pragma once
// The parts of a report form: bands and the printed items on them. Positions and sizes are millimetres
// from the band's top left corner.

#include <QFont>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace hozonix::report {

// What an item may need to know while it is printed.
struct PrintContext {
    QString reportTitle;
    QString dateTime;
    int pageNumber = 0;
};

class ReportItem {
public:
    explicit ReportItem(QString name) : name_(std::move(name)) {}
    virtual ~ReportItem() = default;
    ReportItem(const ReportItem&) = delete;
    ReportItem& operator=(const ReportItem&) = delete;

    const QString& Name() const { return name_; }

    double left = 0;
    double top = 0;
    double width = 0;  // 0: up to the band's right edge
    double height = 0; // 0: down to the band's bottom
    Qt::Alignment alignment = Qt::AlignLeft;
    bool autoSize = false; // as wide as the text, at most up to the band's edge
    // Broken into lines that fit the item's width; the band grows to hold them all.
    bool wordWrap = false;
    QFont font;

    // The text printed this time.
    virtual QString TextToPrint(const PrintContext& context) = 0;

private:
    QString name_;
};

// A text whose caption the program sets, and which a print-time callback may still change.
class ReportLabel : public ReportItem {
public:
    using ReportItem::ReportItem;

    QString caption;
    std::function<void(ReportLabel& label, QString& text)> onPrint;

    QString TextToPrint(const PrintContext& context) override;
};

enum class SystemFieldKind { DateTime, ReportTitle, PageNumber };

// A text the engine supplies.
class SystemField : public ReportItem {
public:
    SystemField(QString name, SystemFieldKind kind) : ReportItem(std::move(name)), kind(kind) {}

    SystemFieldKind kind;

    QString TextToPrint(const PrintContext& context) override;
};

// A title band prints once at the top of the first page, a page header at the top of every page (below
// the title on the first), a detail band once per row of data.
enum class BandKind { Title, PageHeader, Detail };

class Band {
public:
    Band(QString name, BandKind kind) : name_(std::move(name)), kind_(kind) {}

    const QString& Name() const { return name_; }
    BandKind Kind() const { return kind_; }

    double height = 0;            // millimetres; a band with wrapped text grows beyond it
    bool printOnFirstPage = true; // page headers only

    // Adds an item owned by the band and returns it for setting up.
    ReportLabel& AddLabel(const QString& name);
    SystemField& AddSystemField(const QString& name, SystemFieldKind kind);

    const std::vector<std::unique_ptr<ReportItem>>& Items() const { return items_; }
    ReportItem* FindItem(const QString& name) const;

private:
    QString name_;
    BandKind kind_;
    std::vector<std::unique_ptr<ReportItem>> items_;
};

// A font of the given face and size in points.
QFont ReportFont(const QString& family, double pointSize);

// The Japanese faces report forms use.
inline const char* const kMinchoFace = "IPAexMincho";
inline const char* const kGothicFace = "IPAexGothic";

} // namespace hozonix::report
