#include "report/Report.h"

#include "base/AppError.h"
#include "report/BandPainter.h"
#include "report/GeneratingFlag.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

namespace hozonix::report {

namespace {

const char* const kBusyText = "レポートを作成中です";
const char* const kDateTimeFormat = "yyyy/MM/dd HH:mm";
// Tolerance for rows that fill a column exactly.
constexpr double kFitSlack = 1e-6;

} // namespace

Report::Report(const QString& name, QObject* parent)
    : QObject(parent), name_(name), clock_([] { return QDateTime::currentDateTime(); }) {
    setObjectName(name);
}

Report::~Report() {
    if (worker_.joinable())
        worker_.join();
}

void Report::CheckFree() const {
    if (generating_)
        throw AppError(kBusyText);
}

void Report::SetPaperSize(int code) {
    CheckFree();
    if (code == kPaperCustom) {
        setup_.paperCode = code;
        return;
    }
    const auto sheet = SheetSizeOfPaper(code);
    if (!sheet)
        throw AppError("この用紙サイズは使えません: " + std::to_string(code));
    setup_.paperCode = code;
    setup_.sheet = *sheet;
}

void Report::SetCustomPaper(double widthMm, double heightMm) {
    CheckFree();
    // Real paper only: a sheet of metres would make every page an image of gigabytes.
    if (!(std::min(widthMm, heightMm) >= 0.1) || !(std::max(widthMm, heightMm) <= MaxSheetMm()))
        throw AppError("用紙の大きさが正しくありません");
    setup_.paperCode = kPaperCustom;
    setup_.sheet = {std::min(widthMm, heightMm), std::max(widthMm, heightMm)};
}

void Report::SetOrientation(Orientation orientation) {
    CheckFree();
    setup_.orientation = orientation;
}

void Report::SetMargins(double top, double bottom, double left, double right) {
    CheckFree();
    setup_.topMargin = top;
    setup_.bottomMargin = bottom;
    setup_.leftMargin = left;
    setup_.rightMargin = right;
}

void Report::SetTopMargin(double mm) {
    SetMargins(mm, setup_.bottomMargin, setup_.leftMargin, setup_.rightMargin);
}
void Report::SetBottomMargin(double mm) {
    SetMargins(setup_.topMargin, mm, setup_.leftMargin, setup_.rightMargin);
}
void Report::SetLeftMargin(double mm) {
    SetMargins(setup_.topMargin, setup_.bottomMargin, mm, setup_.rightMargin);
}
void Report::SetRightMargin(double mm) {
    SetMargins(setup_.topMargin, setup_.bottomMargin, setup_.leftMargin, mm);
}

void Report::SetColumnSpace(double mm) {
    CheckFree();
    setup_.columnSpace = mm;
}

void Report::SetColumns(int count) {
    CheckFree();
    setup_.columns = count;
}

void Report::SetTitle(const QString& title) {
    CheckFree();
    title_ = title;
}

Band& Report::AddTitleBand(const QString& name) {
    bands_.push_back(std::make_unique<Band>(name, BandKind::Title));
    return *bands_.back();
}

Band& Report::AddDetailBand(const QString& name) {
    bands_.push_back(std::make_unique<Band>(name, BandKind::Detail));
    return *bands_.back();
}

Band* Report::FindBand(const QString& name) const {
    for (const auto& band : bands_) {
        if (band->Name().compare(name, Qt::CaseInsensitive) == 0)
            return band.get();
    }
    return nullptr;
}

double Report::BandHeight(const QString& name) const {
    if (Band* band = FindBand(name))
        return band->height;
    throw AppError("バンドがありません: " + name.toStdString());
}

void Report::SetBandHeight(const QString& name, double mm) {
    CheckFree();
    Band* band = FindBand(name);
    if (band == nullptr)
        throw AppError("バンドがありません: " + name.toStdString());
    band->height = mm;
}

Band* Report::FirstBand(BandKind kind) const {
    for (const auto& band : bands_) {
        if (band->Kind() == kind)
            return band.get();
    }
    return nullptr;
}

void Report::Generate(PageStore& store, bool interactive) {
    if (generating_.exchange(true))
        throw AppError(kBusyText);
    GeneratingFlag flag(generating_);
    GenerateRows(store, interactive);
}

void Report::GenerateRows(PageStore& store, bool interactive) {
    store.BeginGeneration();
    try {
        FillPages(store, interactive);
    } catch (...) {
        store.AbandonGeneration();
        throw;
    }
}

void Report::FillPages(PageStore& store, bool interactive) {
    store.SetSetup(setup_);
    store.settings = printer_;
    store.paperSources = paperSources_;
    pageNumber_ = 0;

    bool print = true;
    if (onBeforePrint)
        onBeforePrint(*this, print);
    bool more = false;
    if (print && onNeedData)
        onNeedData(*this, more);
    Band* detail = FirstBand(BandKind::Detail);
    if (!more || detail == nullptr) {
        store.SetFinished();
        return;
    }
    const PageGeometry geometry = ComputeGeometry(setup_);
    if (geometry.content.isEmpty())
        throw AppError("余白が大きすぎて印刷できません");

    Band* titleBand = FirstBand(BandKind::Title);
    const double titleHeight = titleBand != nullptr ? std::max(0.0, titleBand->height) * kUnitsPerMm : 0;
    const double rowHeight = std::max(0.0, detail->height) * kUnitsPerMm;
    const bool handleEvents = interactive && QCoreApplication::instance() != nullptr &&
                              QThread::currentThread() == QCoreApplication::instance()->thread();
    PrintContext context{title_, clock_().toString(kDateTimeFormat), 0};

    const QSizeF pageMm = PageSizeMm(setup_);
    PageRecord page;
    bool pageOpen = false;
    auto startPage = [&] {
        context.pageNumber = ++pageNumber_;
        page = PageRecord{pageMm.width() * kUnitsPerMm, pageMm.height() * kUnitsPerMm, {}};
        pageOpen = true;
    };
    auto endPage = [&] {
        pageOpen = false;
        store.AddPage(std::move(page));
        if (handleEvents)
            QCoreApplication::processEvents();
    };

    startPage();
    double detailTop = geometry.content.top();
    if (titleBand != nullptr) {
        const QRectF area(geometry.content.left(), detailTop, geometry.content.width(), titleHeight);
        PaintBand(page, *titleBand, area, context);
        detailTop += titleHeight;
    }
    int column = 0;
    double y = detailTop;
    bool columnEmpty = true;
    while (more) {
        if (interactive && store.IsReleased()) {
            pageOpen = false;
            break;
        }
        const bool fits = y + rowHeight <= geometry.content.bottom() + kFitSlack;
        // A row taller than a whole empty page is printed cut rather than pushed on for ever.
        const bool wholePage = columnEmpty && detailTop <= geometry.content.top();
        if (!fits && !wholePage) {
            y = detailTop;
            columnEmpty = true;
            if (++column == geometry.columns) {
                endPage();
                startPage();
                column = 0;
                detailTop = geometry.content.top();
                y = detailTop;
            }
            continue;
        }
        const QRectF columnRect = geometry.ColumnRect(column);
        PaintBand(page, *detail, QRectF(columnRect.left(), y, columnRect.width(), rowHeight), context);
        y += rowHeight;
        columnEmpty = false;
        more = false;
        onNeedData(*this, more);
    }
    if (pageOpen)
        endPage();
    store.SetFinished();
}

void Report::Preview() {
    auto store = std::make_unique<PageStore>();
    PageStore* current = store.get();
    current->SetPreviewHook([this](PageStore& s) {
        if (onPreview)
            onPreview(s);
    });
    connect(current, &PageStore::released, this, [this, current] {
        if (latestPreview_ == current) {
            previewDone_ = true;
            emit previewReleased();
        }
    });
    latestPreview_ = current;
    previewDone_ = false;
    struct Forget {
        Report* report;
        PageStore* store;
        ~Forget() {
            if (report->latestPreview_ == store)
                report->latestPreview_ = nullptr;
        }
    } forget{this, current};

    const bool waits = static_cast<bool>(onPreview);
    if (waits)
        onPreview(*current);
    Generate(*current, true);
    // Nested previews all wait for the newest store: closing the viewer ends every wait together.
    while (waits && !previewDone_) {
        QEventLoop loop;
        connect(this, &Report::previewReleased, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace hozonix::report
