// A language file of any content: read, every caption and message the
// program shows looked up, and the bytes turned into screen text in every
// code page a language file or a record can be in. Record texts go the
// way back too.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>

#include "core/text/caption_tables.h"
#include "core/text/lang_ini.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "core/text/screen_text.h"
#include "tests/fuzz/fuzz_support.h"

using namespace tern;
using fuzz::Check;

namespace {

constexpr std::array<text::TextEncoding, 3> kEncodings = {
    text::TextEncoding::Windows1252, text::TextEncoding::ShiftJis, text::TextEncoding::Utf8};

void CheckScreenText(QByteArrayView bytes) {
    for (const text::TextEncoding encoding : kEncodings) {
        const QString text = text::ToScreenText(bytes, encoding);
        if (encoding == text::TextEncoding::Windows1252 && bytes.endsWith("\xA1\x49")) {
            Check(text.endsWith(QChar(0xFF01)), "the Big5 mark did not become a full-width '!'");
        }
    }
}

// A record text read in a code page and written back: what comes back reads
// as the same text, and a cut to a byte limit is a start of it that fits.
void CheckRecordText(QByteArrayView bytes, qsizetype limit) {
    for (const text::TextEncoding encoding :
         {text::TextEncoding::Windows1252, text::TextEncoding::ShiftJis}) {
        const QString text = text::RecordTextToScreen(bytes, encoding);
        const std::optional<QByteArray> back = text::ScreenTextToRecord(text, encoding);
        if (!back) continue;
        Check(text::RecordTextToScreen(*back, encoding) == text,
              "a record text does not read back");
        const std::optional<QByteArray> cut = text::ScreenTextToRecordWithin(text, encoding, limit);
        Check(cut.has_value(), "a text the code page holds is refused when cut");
        Check(cut->size() <= limit, "a cut text is longer than its limit");
        Check(back->startsWith(*cut), "a cut text is not a start of the whole");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content = fuzz::Bytes(data, size);
    const text::LangIni ini = text::LangIni::FromBytes(content);

    // Each distinct value is shown once per input: most keys give the same
    // text (or their default), and a converter is set up for every showing.
    QSet<QByteArray> shown;
    const auto lookedUp = [&shown](const QByteArray& value) {
        Check(value.size() <= text::LangIni::kMaxValueBytes, "a value longer than the limit");
        if (!shown.contains(value)) {
            shown.insert(value);
            CheckScreenText(value);
        }
    };
    for (const auto table : {text::MainWindowCaptions(), text::AdvancedDialogCaptions(),
                             text::LoginDialogCaptions(), text::MultiLoginDialogCaptions(),
                             text::ListToolCaptions(), text::ReviewDialogCaptions()}) {
        for (const text::CaptionEntry& entry : table) {
            lookedUp(ini.lookup(entry.section, entry.key, entry.default_text));
        }
    }
    for (const text::ErrorMessage& message : text::ErrorMessages()) {
        const text::MessageBytes m = text::LookupMessage(ini, message);
        lookedUp(m.text);
        lookedUp(m.caption);
    }
    for (const text::PairedMessage& message : text::PairedMessages()) {
        const text::MessageBytes m = text::LookupMessage(ini, message);
        lookedUp(m.text);
        lookedUp(m.caption);
    }
    // The file as a form reads it, in one of the code pages.
    const text::LanguageText language(ini, kEncodings[size % kEncodings.size()]);
    for (const text::CaptionEntry& entry : text::MainWindowCaptions()) {
        (void)text::CaptionScreenText(language, entry);
    }
    (void)text::EncodingForLanguageFile(QStringLiteral("jap.ini"), content);

    CheckScreenText(content);
    CheckRecordText(content.first(std::min<qsizetype>(content.size(), 64)),
                    size > 0 ? data[0] % 70 : 0);
    return 0;
}
