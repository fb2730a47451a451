#include "report/RepFormat.h"

#include "report/ByteCodec.h"
#include "report/PaperSizes.h"

#include <array>
#include <cmath>

namespace hozonix::report {

namespace {

constexpr char kMagic[8] = {'H', 'Z', 'X', 'R', 'E', 'P', 0x1A, 0x00};
constexpr std::size_t kHeaderSize = 8 + 2 + 2 + 8 + 4;
// Width, height and item count of an empty page.
constexpr std::size_t kMinPageBytes = 8 + 8 + 4;

constexpr const char* kNotReport = "レポートファイルではありません";
constexpr const char* kOtherVersion = "この版のレポートファイルは開けません";
constexpr const char* kDamaged = "レポートファイルが壊れています";
constexpr const char* kBadSheet = "用紙の大きさが正しくありません";

using Reader = ByteReader<PageFormatError>;

void Require(bool ok, const char* reason = kDamaged) {
    if (!ok)
        throw PageFormatError(reason);
}

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();

bool KnownPaper(int code) {
    return code == kPaperCustom || SheetSizeOfPaper(code).has_value();
}

void CheckSheet(const RepSheet& s) {
    const double max = MaxSheetMm();
    Require(KnownPaper(s.paperCode));
    Require(std::isfinite(s.widthMm) && std::isfinite(s.heightMm) && s.widthMm >= 0.1 &&
                s.widthMm <= s.heightMm && s.heightMm <= max,
            kBadSheet);
}

} // namespace

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (char b : bytes)
        c = kCrcTable[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string EncodeRep(const RepData& data) {
    return EncodeRep(data.sheet, data.pages.size(), [&](std::size_t i) { return data.pages[i]; });
}

std::string EncodeRep(const RepSheet& sheet, std::size_t pageCount,
                      const std::function<PageRecord(std::size_t)>& pageAt) {
    std::string body;
    PutUnsigned(body, static_cast<std::uint32_t>(sheet.paperCode));
    PutDouble(body, sheet.widthMm);
    PutDouble(body, sheet.heightMm);
    PutUnsigned(body, static_cast<std::uint8_t>(sheet.landscape ? 1 : 0));
    PutUnsigned(body, static_cast<std::uint32_t>(pageCount));
    std::string page;
    for (std::size_t i = 0; i < pageCount; ++i) {
        page.clear();
        EncodePage(pageAt(i), page);
        PutUnsigned(body, static_cast<std::uint32_t>(page.size()));
        body += page;
    }
    std::string file(kMagic, sizeof kMagic);
    PutUnsigned(file, static_cast<std::uint16_t>(kRepFileVersion));
    PutUnsigned(file, std::uint16_t{0});
    PutUnsigned(file, static_cast<std::uint64_t>(body.size()));
    PutUnsigned(file, Crc32(body));
    return file + body;
}

RepData DecodeRep(std::string_view bytes) {
    RepData data;
    data.sheet = DecodeRep(bytes, [&](PageRecord page) { data.pages.push_back(std::move(page)); });
    return data;
}

RepSheet DecodeRep(std::string_view bytes, const std::function<void(PageRecord)>& take) {
    Require(bytes.size() >= sizeof kMagic && bytes.substr(0, sizeof kMagic) == std::string_view(kMagic, 8),
            kNotReport);
    Require(bytes.size() <= kMaxRepFileBytes);
    Reader header(bytes.substr(sizeof kMagic), kDamaged);
    const auto version = header.Unsigned<std::uint16_t>();
    Require(version == kRepFileVersion, kOtherVersion);
    const auto reserved = header.Unsigned<std::uint16_t>();
    const auto bodySize = header.Unsigned<std::uint64_t>();
    const auto crc = header.Unsigned<std::uint32_t>();
    const std::string_view body = bytes.substr(kHeaderSize);
    Require(reserved == 0 && bodySize == body.size() && Crc32(body) == crc);

    Reader in(body, kDamaged);
    RepSheet sheet;
    sheet.paperCode = static_cast<std::int32_t>(in.Unsigned<std::uint32_t>());
    sheet.widthMm = in.Double();
    sheet.heightMm = in.Double();
    const auto orientation = in.Unsigned<std::uint8_t>();
    Require(orientation <= 1);
    sheet.landscape = orientation == 1;
    CheckSheet(sheet);
    const auto count = in.Unsigned<std::uint32_t>();
    Require(count <= kMaxRepPages && count <= in.Remaining() / (4 + kMinPageBytes));
    const double pageWidth = (sheet.landscape ? sheet.heightMm : sheet.widthMm) * 10;
    const double pageHeight = (sheet.landscape ? sheet.widthMm : sheet.heightMm) * 10;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto size = in.Unsigned<std::uint32_t>();
        PageRecord page = DecodePage(in.Bytes(size));
        // Every page is of the file's sheet, as it was turned.
        Require(std::abs(page.width - pageWidth) < 1e-6 && std::abs(page.height - pageHeight) < 1e-6);
        take(std::move(page));
    }
    Require(in.AtEnd());
    return sheet;
}

} // namespace hozonix::report
