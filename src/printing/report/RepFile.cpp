#include "RepFile.h"

#include "AppError.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>

#include <cmath>
#include <cstring>

namespace hozonix::report {

namespace {

constexpr char kMagic[8] = {'H', 'Z', 'X', 'R', 'E', 'P', 0x1A, 0x00};
constexpr int kHashSize = 32;
constexpr int kHeaderSize = 8 + 2 + 2 + 8 + kHashSize;
// Far beyond any list the program prints; stops a forged count from reserving memory.
constexpr quint32 kMaxPages = 100000;
constexpr double kMaxSheetMm = 10000;

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

QByteArray Sha256(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

[[noreturn]] void Damaged(const std::string& path) {
    throw AppError("レポートファイルが壊れています: " + path);
}

bool ValidSheet(double mm) {
    return std::isfinite(mm) && mm > 0 && mm <= kMaxSheetMm;
}

} // namespace

std::string EncodeRepFile(const PageSetup& setup, const std::vector<QPicture>& pages) {
    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out << qint32(setup.paperCode) << setup.sheet.widthMm << setup.sheet.heightMm
            << quint8(setup.orientation == Orientation::Landscape ? 1 : 0) << quint32(pages.size());
        for (const QPicture& page : pages)
            out << QByteArray(page.data(), static_cast<qsizetype>(page.size()));
    }
    QByteArray file;
    {
        QDataStream out(&file, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out.writeRawData(kMagic, sizeof kMagic);
        out << quint16(kRepFileVersion) << quint16(0) << quint64(body.size());
        out.writeRawData(Sha256(body).constData(), kHashSize);
    }
    file += body;
    return file.toStdString();
}

RepContent DecodeRepFile(const std::string& bytes, const std::string& path) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        throw AppError("レポートファイルではありません: " + path);
    if (bytes.size() < kHeaderSize)
        Damaged(path);
    const QByteArray file = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QDataStream header(file);
    header.setVersion(kStreamVersion);
    header.skipRawData(sizeof kMagic);
    quint16 version = 0, reserved = 0;
    quint64 bodySize = 0;
    header >> version >> reserved >> bodySize;
    if (version != kRepFileVersion)
        throw AppError("この版のレポートファイルは開けません: " + path);
    const QByteArray hash = file.mid(kHeaderSize - kHashSize, kHashSize);
    const QByteArray body = file.mid(kHeaderSize);
    if (bodySize != static_cast<quint64>(body.size()) || Sha256(body) != hash)
        Damaged(path);

    QDataStream in(body);
    in.setVersion(kStreamVersion);
    RepContent content;
    qint32 paperCode = 0;
    quint8 orientation = 0;
    quint32 count = 0;
    in >> paperCode >> content.setup.sheet.widthMm >> content.setup.sheet.heightMm >> orientation >> count;
    if (in.status() != QDataStream::Ok || orientation > 1 || count > kMaxPages ||
        !ValidSheet(content.setup.sheet.widthMm) || !ValidSheet(content.setup.sheet.heightMm))
        Damaged(path);
    content.setup.paperCode = paperCode;
    content.setup.orientation = orientation == 1 ? Orientation::Landscape : Orientation::Portrait;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray data;
        in >> data;
        QPicture page;
        if (in.status() != QDataStream::Ok || data.isEmpty())
            Damaged(path);
        QBuffer buffer(&data);
        // load() checks the picture's own header and checksum.
        if (!buffer.open(QIODevice::ReadOnly) || !page.load(&buffer))
            Damaged(path);
        content.pages.push_back(std::move(page));
    }
    if (!in.atEnd())
        Damaged(path);
    return content;
}

} // namespace hozonix::report
