#include "FuzzTargets.h"

#include "report/ByteCodec.h"
#include "report/PagePlayback.h"
#include "report/RepFormat.h"
#include "settings/IniDocument.h"
#include "settings/IniValues.h"

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace hozonix::test {

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

std::string SealedFile(std::string_view body) {
    std::string file = report::EncodeRep({});
    file.resize(12);
    report::PutUnsigned(file, static_cast<std::uint64_t>(body.size()));
    report::PutUnsigned(file, report::Crc32(body));
    file.append(body);
    return file;
}

void DrawSmall(const report::PageRecord& page) {
    // A twentieth of the page units per pixel keeps the image small; the painter still does every
    // layout the page asks for.
    QImage image(std::max(1, int(page.width / 20)), std::max(1, int(page.height / 20)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(0.05, 0.05);
    report::DrawPage(painter, page);
}

} // namespace

bool FuzzReportFile(std::string_view bytes, bool seal) {
    const std::string file = seal ? SealedFile(bytes) : std::string(bytes);
    report::RepData data;
    try {
        data = report::DecodeRep(file);
    } catch (const report::PageFormatError&) {
        return false;
    }
    Check(data.pages.size() <= report::kMaxRepPages, "page count");
    const report::RepData again = report::DecodeRep(report::EncodeRep(data));
    Check(again.sheet == data.sheet && again.pages.size() == data.pages.size(), "round trip");
    for (std::size_t i = 0; i < data.pages.size(); ++i) {
        // NaN never passes the checks, so pages compare equal to themselves.
        Check(again.pages[i] == data.pages[i], "page round trip");
        std::string one;
        report::EncodePage(data.pages[i], one);
        Check(report::DecodePage(one) == data.pages[i], "page on its own");
        DrawSmall(data.pages[i]);
    }
    return true;
}

void FuzzSettingsFile(std::string_view bytes) {
    const IniDocument doc = IniDocument::Parse(bytes);
    Check(doc.Serialize() == bytes, "lines kept byte for byte");
    const IniValues values = IniValues::Parse(std::string(bytes));
    // Every section and key named anywhere in the text, looked up both ways.
    std::vector<std::string_view> sections{"S", ""}, keys{"k", ""};
    std::size_t p = 0;
    while (p < bytes.size()) {
        std::size_t nl = bytes.find('\n', p);
        const std::string_view line = bytes.substr(p, nl == std::string_view::npos ? nl : nl - p);
        const IniLine parsed = ParseIniLine(line);
        if (parsed.kind == IniLine::Kind::Section)
            sections.push_back(parsed.name);
        else if (parsed.kind == IniLine::Kind::Key)
            keys.push_back(parsed.name);
        if (nl == std::string_view::npos || sections.size() + keys.size() > 64)
            break;
        p = nl + 1;
    }
    for (std::string_view s : sections) {
        for (std::string_view k : keys)
            Check(doc.Find(s, k) == values.Find(s, k), "index agrees with the lines");
    }
    // A write of a safe value reads back as written and leaves the rest in place.
    IniDocument edited = doc;
    edited.Set("Fuzz", "key", "value");
    const IniDocument reread = IniDocument::Parse(edited.Serialize());
    Check(reread.Find("fuzz", "KEY") == std::optional<std::string_view>("value"), "written value reads back");
}

} // namespace hozonix::test
