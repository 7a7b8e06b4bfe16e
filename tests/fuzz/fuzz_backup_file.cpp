// The backup-file reader of restore, given any bytes.
#include <cstdint>
#include <cstdlib>

#include "app/backup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto record = tern::app::ReadBackupFile(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (record && record->bytes().size() != 1148) std::abort();
    return 0;
}
