#include "report/RepFormat.h"

#include "report/ByteCodec.h"
#include "report/PaperSizes.h"

#include <array>
#include <cmath>

namespace hozonix::report {

namespace {

constexpr char kMagic[8] = {'H', 'Z', 'X', 'R', 'E', 'P', 0x1A, 0x00};
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

// The body size a file's header gives, after checking what tells a file of ours and of this version.
std::uint64_t SizeInHeader(std::string_view header, std::uint32_t* crc) {
    Require(header.size() >= sizeof kMagic && header.substr(0, sizeof kMagic) == std::string_view(kMagic, 8),
            kNotReport);
    Reader in(header.substr(sizeof kMagic), kDamaged);
    const auto version = in.Unsigned<std::uint16_t>();
    Require(version == kRepFileVersion, kOtherVersion);
    const auto reserved = in.Unsigned<std::uint16_t>();
    const auto size = in.Unsigned<std::uint64_t>();
    *crc = in.Unsigned<std::uint32_t>();
    Require(reserved == 0 && size <= kMaxRepFileBytes);
    return size;
}

} // namespace

std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous) {
    std::uint32_t c = previous ^ 0xFFFFFFFFu;
    for (char b : bytes)
        c = kCrcTable[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string EncodeRep(const RepData& data) {
    std::string file;
    const std::string header = EncodeRep(
        data.sheet, data.pages.size(), [&](std::size_t i) { return data.pages[i]; },
        [&](std::string_view piece) { file += piece; });
    return file.replace(0, header.size(), header);
}

std::string EncodeRep(const RepSheet& sheet, std::size_t pageCount,
                      const std::function<PageRecord(std::size_t)>& pageAt,
                      const std::function<void(std::string_view)>& write) {
    std::uint64_t bodySize = 0;
    std::uint32_t crc = 0;
    const auto body = [&](std::string_view piece) {
        bodySize += piece.size();
        crc = Crc32(piece, crc);
        write(piece);
    };
    write(std::string(kRepHeaderBytes, '\0'));
    std::string piece;
    PutUnsigned(piece, static_cast<std::uint32_t>(sheet.paperCode));
    PutDouble(piece, sheet.widthMm);
    PutDouble(piece, sheet.heightMm);
    PutUnsigned(piece, static_cast<std::uint8_t>(sheet.landscape ? 1 : 0));
    PutUnsigned(piece, static_cast<std::uint32_t>(pageCount));
    body(piece);
    std::string page;
    for (std::size_t i = 0; i < pageCount; ++i) {
        page.clear();
        EncodePage(pageAt(i), page);
        piece.clear();
        PutUnsigned(piece, static_cast<std::uint32_t>(page.size()));
        body(piece);
        body(page);
    }
    std::string header(kMagic, sizeof kMagic);
    PutUnsigned(header, static_cast<std::uint16_t>(kRepFileVersion));
    PutUnsigned(header, std::uint16_t{0});
    PutUnsigned(header, bodySize);
    PutUnsigned(header, crc);
    return header;
}

void CheckRepSeal(std::string_view header, std::uint64_t bodySize, std::uint32_t bodyCrc) {
    std::uint32_t crc = 0;
    Require(SizeInHeader(header, &crc) == bodySize && crc == bodyCrc);
}

RepData DecodeRep(std::string_view bytes) {
    const std::string_view body = bytes.size() >= kRepHeaderBytes ? bytes.substr(kRepHeaderBytes) : "";
    CheckRepSeal(bytes.substr(0, kRepHeaderBytes), body.size(), Crc32(body));
    RepData data;
    std::size_t at = 0;
    data.sheet = DecodeRep(
        [&](std::size_t count) {
            const std::string_view piece = bytes.substr(std::min(at, bytes.size()), count);
            at += piece.size();
            return piece;
        },
        [&](PageRecord page) { data.pages.push_back(std::move(page)); });
    return data;
}

RepSheet DecodeRep(const std::function<std::string_view(std::size_t)>& read,
                   const std::function<void(PageRecord)>& take) {
    const std::string header(read(kRepHeaderBytes));
    std::uint32_t sealedCrc = 0;
    std::uint64_t left = SizeInHeader(header, &sealedCrc);
    std::uint32_t crc = 0;
    // The body's next bytes, never past its end: a forged length cannot make anything read further.
    const auto next = [&](std::size_t count) {
        Require(count <= left);
        const std::string_view piece = read(count);
        Require(piece.size() == count);
        left -= count;
        crc = Crc32(piece, crc);
        return piece;
    };

    const std::string fixed(next(4 + 8 + 8 + 1 + 4));
    Reader in(fixed, kDamaged);
    RepSheet sheet;
    sheet.paperCode = static_cast<std::int32_t>(in.Unsigned<std::uint32_t>());
    sheet.widthMm = in.Double();
    sheet.heightMm = in.Double();
    const auto orientation = in.Unsigned<std::uint8_t>();
    Require(orientation <= 1);
    sheet.landscape = orientation == 1;
    CheckSheet(sheet);
    const auto count = in.Unsigned<std::uint32_t>();
    Require(count <= kMaxRepPages && count <= left / (4 + kMinPageBytes));
    const double pageWidth = (sheet.landscape ? sheet.heightMm : sheet.widthMm) * 10;
    const double pageHeight = (sheet.landscape ? sheet.widthMm : sheet.heightMm) * 10;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string length(next(4));
        const auto size = Reader(length, kDamaged).Unsigned<std::uint32_t>();
        PageRecord page = DecodePage(next(size));
        // Every page is of the file's sheet, as it was turned.
        Require(std::abs(page.width - pageWidth) < 1e-6 && std::abs(page.height - pageHeight) < 1e-6);
        take(std::move(page));
    }
    // The whole body read, nothing after it, and the bytes those of the seal (the file may have changed
    // since the seal was checked).
    Require(left == 0 && read(1).empty() && crc == sealedCrc);
    return sheet;
}

} // namespace hozonix::report
