// The backup-file reader of restore, given any bytes. A file it takes is
// written again as backup writes it (every setting decoded for "settings"),
// and that file reads back as the same record.
#include <QDateTime>
#include <QTimeZone>
#include <cstdint>

#include "core/form/backup_file.h"
#include "tests/fuzz/fuzz_support.h"

using namespace tern;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto record = form::ReadBackupFile(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!record) return 0;
    Check(record->bytes().size() == 1148, "a record that is not 1148 bytes");
    static const QDateTime kWhen(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    for (const text::TextEncoding encoding :
         {text::TextEncoding::Windows1252, text::TextEncoding::ShiftJis}) {
        const auto again = form::ReadBackupFile(form::BackupFileContent(*record, encoding, kWhen));
        Check(again == record, "a backup written again does not read back");
    }
    return 0;
}
