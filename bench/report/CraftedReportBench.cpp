// A report file crafted to be slow to show: one page of 10,000 texts, each naming a font family that is
// not installed. Times opening the file and drawing its page the first time and once more (as a zoom or
// a change of page does), in milliseconds. Run by bench/crafted-report-bench.sh.
#include "report/PagePlayback.h"
#include "report/RepFile.h"
#include "report/RepFormat.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

using namespace hozonix::report;

namespace {

double Milliseconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.REP [TEXTS]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const int texts = argc > 2 ? std::stoi(argv[2]) : 10000;
    RepData data;
    PageRecord page;
    page.width = 2100;
    page.height = 2970;
    for (int i = 0; i < texts; ++i) {
        TextRun t;
        t.family = "No Such Family " + std::to_string(i);
        t.text = "WWWW";
        t.rect = t.clip = {static_cast<double>(i % 20) * 105, static_cast<double>(i / 20 % 60) * 49, 100, 45};
        page.items.emplace_back(std::move(t));
    }
    data.pages.push_back(std::move(page));
    std::ofstream(path, std::ios::binary) << EncodeRep(data);

    auto start = std::chrono::steady_clock::now();
    std::vector<PageRecord> pages;
    ReadRepFile(path, [&](PageRecord p) { pages.push_back(std::move(p)); });
    QImage image(1050, 1485, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(0.5, 0.5);
        DrawPage(painter, pages.at(0));
    }
    const double open = Milliseconds(start);
    start = std::chrono::steady_clock::now();
    {
        QPainter painter(&image);
        painter.scale(0.7, 0.7);
        DrawPage(painter, pages.at(0));
    }
    const double again = Milliseconds(start);
    std::printf("texts=%d open_and_first_draw_ms=%.0f next_draw_ms=%.0f\n", texts, open, again);
    return 0;
}
