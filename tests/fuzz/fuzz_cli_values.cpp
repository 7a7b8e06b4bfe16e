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
    (void)app::ParseCliOptions(parts);
    for (const QString& p : parts) {
        (void)config::ParseMacText(p);
        (void)apply::DecimalValue(p);
        (void)apply::CheckRange(apply::NumberKind::Ip1, p, 223, 1);
    }
    static const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(12);
    const config::ApConfigRecord& shown = aps[size % aps.size()].record;
    for (const bool multi : {false, true}) {
        config::FormSettings form = app::ShownForm(shown, ui::TextEncoding::Windows1252);
        for (const QString& p : parts) {
            const qsizetype eq = p.indexOf(u'=');
            if (eq <= 0) continue;
            (void)app::SetNamed(form, shown, p.left(eq), p.mid(eq + 1), multi);
        }
        const apply::FormValues values =
            app::FormValuesOf(form, shown, ui::TextEncoding::Windows1252, multi);
        (void)apply::RunApplyChecks(values);
        (void)config::BuildRecord(multi ? config::BuildMode::Multi : config::BuildMode::Single,
                                  shown, form);
    }
    return 0;
}
