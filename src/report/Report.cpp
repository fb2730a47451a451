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
const char* const kNoRoomText = "余白が大きすぎて印刷できません";
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

Band& Report::AddPageHeaderBand(const QString& name) {
    bands_.push_back(std::make_unique<Band>(name, BandKind::PageHeader));
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

QString Report::PageCountText() {
    return QString::fromUtf8(kPageCountMark.data(), static_cast<qsizetype>(kPageCountMark.size()));
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

// Fills the pages one after the other: opens each with its title and header bands, places rows in its
// columns, and hands each full page to the store.
class Report::PageFiller {
public:
    PageFiller(Report& report, PageStore& store, const PageGeometry& geometry, PrintContext& context,
               bool handleEvents)
        : report_(report), store_(store), geometry_(geometry), context_(context), handleEvents_(handleEvents),
          title_(report.FirstBand(BandKind::Title)), header_(report.FirstBand(BandKind::PageHeader)) {
        StartPage();
    }

    void PlaceRow(const LaidOutBand& row) {
        double from = 0;
        for (;;) {
            const double left = geometry_.ColumnRect(column_).left();
            const double room = geometry_.content.bottom() - y_;
            if (row.height - from <= room + kFitSlack) {
                RecordBandPart(page_, row, left, y_, from, row.height);
                y_ += row.height - from;
                return;
            }
            // A row waits for a fresh column; only one taller than any column is split, between its lines.
            const bool columnEmpty = y_ <= detailTop_ + kFitSlack;
            const bool tallestColumn = columnEmpty && (report_.pageNumber_ > 1 || title_ == nullptr);
            if (!tallestColumn) {
                NextColumn();
                continue;
            }
            if (room <= kFitSlack)
                throw AppError(kNoRoomText);
            double cut = row.CutAtOrBefore(from, from + room);
            if (cut <= from + kFitSlack)
                cut = from + room; // a single line taller than the column
            RecordBandPart(page_, row, left, y_, from, cut);
            from = cut;
            if (!row.HasTextFrom(from)) {
                y_ = geometry_.content.bottom();
                return;
            }
            NextColumn();
        }
    }

    // Hands the page being filled to the store.
    void Finish() {
        if (open_)
            EndPage();
    }
    // Drops the page being filled.
    void Abandon() { open_ = false; }

private:
    void StartPage() {
        context_.pageNumber = ++report_.pageNumber_;
        const QSizeF pageMm = PageSizeMm(report_.setup_);
        page_ = PageRecord{pageMm.width() * kUnitsPerMm, pageMm.height() * kUnitsPerMm, {}};
        open_ = true;
        double top = geometry_.content.top();
        auto place = [&](Band& band) {
            const LaidOutBand laid = LayOutBand(band, geometry_.content.width(), context_);
            RecordBandPart(page_, laid, geometry_.content.left(), top, 0, laid.height);
            top += laid.height;
        };
        if (report_.pageNumber_ == 1 && title_ != nullptr)
            place(*title_);
        if (header_ != nullptr && (report_.pageNumber_ > 1 || header_->printOnFirstPage))
            place(*header_);
        detailTop_ = top;
        column_ = 0;
        y_ = top;
    }

    void EndPage() {
        open_ = false;
        store_.AddPage(std::move(page_));
        if (handleEvents_)
            QCoreApplication::processEvents();
    }

    void NextColumn() {
        if (++column_ < geometry_.columns) {
            y_ = detailTop_;
            return;
        }
        EndPage();
        StartPage();
    }

    Report& report_;
    PageStore& store_;
    const PageGeometry& geometry_;
    PrintContext& context_;
    bool handleEvents_;
    Band* title_;
    Band* header_;
    PageRecord page_;
    bool open_ = false;
    int column_ = 0;
    double detailTop_ = 0;
    double y_ = 0;
};

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
        throw AppError(kNoRoomText);

    const bool handleEvents = interactive && QCoreApplication::instance() != nullptr &&
                              QThread::currentThread() == QCoreApplication::instance()->thread();
    PrintContext context{title_, clock_().toString(kDateTimeFormat), 0};
    PageFiller filler(*this, store, geometry, context, handleEvents);
    while (more) {
        if (interactive && store.IsReleased()) {
            filler.Abandon();
            break;
        }
        filler.PlaceRow(LayOutBand(*detail, geometry.columnWidth, context));
        more = false;
        onNeedData(*this, more);
    }
    filler.Finish();
    store.SetFinished();
}

void Report::Preview() {
    auto store = std::make_unique<PageStore>(pageFolder_);
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
