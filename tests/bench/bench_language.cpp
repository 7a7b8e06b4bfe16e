// A language lookup right after the file changed on disk: the file is read
// again, so this is what a translator editing eng.ini while the program runs
// pays per caption.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/text/lang_ini.h"

namespace tern::text {
namespace {

void BM_LookupAfterTheFileChanged(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("eng.ini"));
    QFile source(QStringLiteral(TERN_ENG_INI));
    if (!source.open(QIODevice::ReadOnly)) {
        state.SkipWithError("eng.ini not found");
        return;
    }
    const QByteArray content = source.readAll();
    const LangIni ini(path);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A change the stat sees: the size alternates.
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        file.write(QByteArray(++round % 2, ';'));
        file.close();
        state.ResumeTiming();
        benchmark::DoNotOptimize(ini.lookup("GLOBAL", "Title", "Tern AP Utility"));
    }
}
BENCHMARK(BM_LookupAfterTheFileChanged);

void BM_LookupUnchangedFile(benchmark::State& state) {
    const LangIni ini{QStringLiteral(TERN_ENG_INI)};
    for (auto _ : state) {
        benchmark::DoNotOptimize(ini.lookup("GLOBAL", "Title", "Tern AP Utility"));
    }
}
BENCHMARK(BM_LookupUnchangedFile);

}  // namespace
}  // namespace tern::text

BENCHMARK_MAIN();
