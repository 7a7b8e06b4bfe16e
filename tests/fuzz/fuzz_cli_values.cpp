// Every value the command line takes from outside: the options, and each
// NAME=VALUE of set typed into the form of a shown record, then checked and
// built as an apply would. Input: NUL-separated UTF-8 strings.
#include <QStringList>
#include <cstdint>

#include "cli/cli_options.h"
#include "core/form/form_model.h"
#include "core/record/net_types.h"
#include "core/rules/validation.h"
#include "sim/ap_simulator.h"

using namespace tern;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList parts;
    for (const QByteArray& p : input.split('\0')) parts << QString::fromUtf8(p);
    (void)cli::ParseCliOptions(parts);
    for (const QString& p : parts) {
        (void)record::ParseMacText(p);
        (void)rules::DecimalValue(p);
        (void)rules::CheckRange(rules::NumberKind::Ip1, p, 223, 1);
    }
    static const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(12);
    const record::ApConfigRecord& shown = aps[size % aps.size()].record;
    for (const bool multi : {false, true}) {
        record::FormSettings form = form::ShownForm(shown, text::TextEncoding::Windows1252);
        for (const QString& p : parts) {
            const qsizetype eq = p.indexOf(u'=');
            if (eq <= 0) continue;
            (void)form::SetNamed(form, shown, p.left(eq), p.mid(eq + 1), multi);
        }
        const rules::FormValues values =
            form::FormValuesOf(form, shown, text::TextEncoding::Windows1252, multi);
        (void)rules::RunApplyChecks(values);
        (void)record::BuildRecord(multi ? record::BuildMode::Multi : record::BuildMode::Single,
                                  shown, form);
    }
    return 0;
}
