#pragma once
// How the preview window opens the page layout dialog for the report it shows. The preview itself
// refuses while the report is still generating and generates the report again when asked to.

class QWidget;

namespace hozonix::report {
class Report;
}

namespace hozonix::preview {

class PageLayoutOpener {
public:
    virtual ~PageLayoutOpener() = default;
    // Shows the dialog modally for `report` (owned by `previewWindow`), applies what the user chose to the
    // report and the report definition, and returns true when the report must be generated again.
    virtual bool OpenPageLayout(QWidget* previewWindow, report::Report& report) = 0;
};

} // namespace hozonix::preview
