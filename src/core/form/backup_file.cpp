#include "core/form/backup_file.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>

#include "core/form/ap_settings.h"
#include "core/record/net_types.h"

namespace tern::form {

namespace {

const QString kFormat = QStringLiteral("tern-ap-backup");

}  // namespace

QByteArray BackupFileContent(const record::ApConfigRecord& record, text::TextEncoding encoding,
                             const QDateTime& when) {
    const QJsonObject file{
        {QStringLiteral("format"), kFormat},
        {QStringLiteral("version"), 1},
        {QStringLiteral("mac"), record::MacText(record.mac_addr())},
        {QStringLiteral("date"), when.toUTC().toString(Qt::ISODate)},
        {QStringLiteral("settings"), DecodeSettings(record, encoding, true)},
        {QStringLiteral("record"), QString::fromLatin1(record.toByteArray().toHex())},
    };
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

bool WriteBackupFile(const QString& path, const record::ApConfigRecord& record,
                     text::TextEncoding encoding, const QDateTime& when, QString* error) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        out.write(BackupFileContent(record, encoding, when)) < 0 || !out.commit()) {
        if (error != nullptr) *error = out.errorString();
        return false;
    }
    return true;
}

std::optional<record::ApConfigRecord> ReadBackupFile(QByteArrayView content) {
    const QJsonObject saved = QJsonDocument::fromJson(content.toByteArray()).object();
    if (saved.value(QStringLiteral("format")).toString() != kFormat ||
        saved.value(QStringLiteral("version")).toInt() != 1) {
        return std::nullopt;
    }
    // Every character a hexadecimal digit: a converter that skips the
    // others would read a damaged record as a shorter one.
    const QByteArray hex = saved.value(QStringLiteral("record")).toString().toLatin1();
    if (hex.size() != static_cast<qsizetype>(2 * net::kRecordSize) ||
        !std::all_of(hex.begin(), hex.end(),
                     [](char c) { return record::HexDigitValue(QChar::fromLatin1(c)) >= 0; })) {
        return std::nullopt;
    }
    const std::optional<record::ApConfigRecord> record =
        record::ApConfigRecord::FromBytes(QByteArray::fromHex(hex));
    const std::optional<record::MacAddress> mac =
        record::ParseMacText(saved.value(QStringLiteral("mac")).toString());
    if (!record || !mac || record->mac_addr() != *mac) {
        return std::nullopt;
    }
    return record;
}

}  // namespace tern::form
