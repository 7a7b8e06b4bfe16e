// Which APs an entry of a state or logins file is for: all of them, one by
// its MAC, every AP of one name, or every AP whose name fits a pattern.
#include <QRegularExpression>
#include <algorithm>

#include "core/fleet/state_file.h"
#include "core/record/net_types.h"

namespace tern::fleet {

namespace {

// The MAC in the form the engine lists APs by ("02-54-45-00-00-01"), from
// either case and '-' or ':' between the pairs; nothing when `text` is not
// a MAC.
std::optional<QString> CanonicalMac(const QString& text) {
    if (text.size() != 17) return std::nullopt;
    QString dashed = text;
    for (qsizetype i = 2; i < dashed.size(); i += 3) {
        if (dashed[i] == u':') dashed[i] = u'-';
    }
    const std::optional<record::MacAddress> mac = record::ParseMacText(dashed);
    if (!mac) return std::nullopt;
    return record::MacText(*mac);
}

// Qt reads a wildcard as a file path: '*' and '?' stop at '/'. AP names are
// not paths ("Floor 2/East" is one name), so '/' is swapped for a
// character no code page decodes to, in the pattern and the name alike,
// and is an ordinary character again.
constexpr char16_t kSlashStandIn = u'\uFFFF';

QString WithoutSlashes(QString text) { return text.replace(u'/', QChar(kSlashStandIn)); }

QRegularExpression GlobExpression(const QString& pattern) {
    // The user's text only ever reaches the regular expression engine
    // through Qt's wildcard conversion, which escapes everything else; the
    // result is anchored, so the whole name has to fit.
    return QRegularExpression(
        QRegularExpression::wildcardToRegularExpression(WithoutSlashes(pattern)));
}

bool GlobMatches(
    const QRegularExpression& expression,
    const QString& name) {  // A pattern such as "Lab-[" converts to no valid expression: it matches
    // no AP rather than every one or a warning per AP.
    if (!expression.isValid()) return false;
    return expression.match(WithoutSlashes(name)).hasMatch();
}

}  // namespace

bool ApMatch::matches(const QString& macText, const QString& name) const {
    switch (kind) {
        case Kind::All:
            return true;
        case Kind::Mac: {
            // The caller's MAC may be typed by hand too: compare canonical forms.
            const std::optional<QString> theirs = CanonicalMac(macText);
            const std::optional<QString> ours = CanonicalMac(mac.isEmpty() ? text : mac);
            return theirs && ours && *theirs == *ours;
        }
        case Kind::Name:
            return name == text;
        case Kind::Glob:
            return GlobMatches(GlobExpression(text), name);
    }
    return false;  // not reached
}

MatchIndex::MatchIndex(const QList<ApMatch>& matches) {
    for (qsizetype i = 0; i < matches.size(); ++i) {
        const ApMatch& m = matches[i];
        const int index = static_cast<int>(i);
        switch (m.kind) {
            case ApMatch::Kind::Mac:
                if (const auto mac = CanonicalMac(m.mac.isEmpty() ? m.text : m.mac))
                    byMac_[*mac].append(index);
                break;
            case ApMatch::Kind::Name:
                byName_[m.text].append(index);
                break;
            case ApMatch::Kind::All:
                tried_.push_back({index, true, {}});
                break;
            case ApMatch::Kind::Glob:
                tried_.push_back({index, false, GlobExpression(m.text)});
                break;
        }
    }
}

QList<int> MatchIndex::matching(const QString& macText, const QString& name) const {
    QList<int> out;
    if (!byMac_.isEmpty()) {
        if (const auto mac = CanonicalMac(macText)) out += byMac_.value(*mac);
    }
    out += byName_.value(name);
    for (const Tried& t : tried_) {
        if (t.all || GlobMatches(t.pattern, name)) out.append(t.index);
    }
    std::sort(out.begin(), out.end());
    return out;
}

ApMatch ParseApMatch(const QString& text) {
    ApMatch match;
    match.text = text;
    if (const std::optional<QString> mac = CanonicalMac(text)) {
        match.kind = ApMatch::Kind::Mac;
        match.mac = *mac;
    } else if (text.contains(u'*') || text.contains(u'?') || text.contains(u'[')) {
        match.kind = ApMatch::Kind::Glob;
    } else {
        match.kind = ApMatch::Kind::Name;
    }
    return match;
}

}  // namespace tern::fleet
