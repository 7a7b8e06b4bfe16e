#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QtGlobal>

namespace tern::text {

// Reader of one language file: every text the program shows is looked up
// here by section and key, with an English default. A lookup never fails.
//
// The answers match the Windows profile reader for plain `key=value` lines.
// Where that reader leaves room, this one does the following:
//   - Section and key names compare case-insensitively, ASCII letters only
//     (bytes 0x80..0xFF are never folded, so no code page can confuse it).
//   - Blanks (space, tab) around a key and around a value are removed; a
//     blank inside a key is kept ("Advance Setting").
//   - One pair of matching enclosing quotes, " or ', is removed from a value
//     after the blanks, so a translator can keep leading or trailing blanks:
//     chk8021x=" Enable 802.1X". An unmatched quote stays part of the value.
//   - Lines end in CR LF, LF or CR. Empty lines, lines whose first non-blank
//     byte is ';', lines without '=' and lines with an empty key are ignored,
//     as are entries before the first section header and a '[' line without
//     ']'. A section name is the text between '[' and the first ']', trimmed.
//   - A UTF-8 byte order mark at the very start of the file is skipped.
//   - The first occurrence wins: the first entry of a key within a section,
//     and the first block of a section name (a later block with the same
//     name is not consulted, as with the Windows reader).
//   - Values are bytes, returned exactly as stored: no character-set
//     conversion happens here (see ToScreenText for that). A value, and the
//     default, is at most kMaxValueBytes long; a longer one is cut.
//   - Only the first kMaxFileBytes of a file are read.
//
// Freshness: the Windows reader opens the file on every lookup, so a file
// removed or edited while the program runs shows at once. This reader keeps
// the parsed file but checks its size and time stamps on every lookup (one
// stat) and reads it again when they changed; a file that has gone, or
// cannot be opened, answers every lookup with its default.
//
// Lookups cache in place (hence the mutable members): use one reader from
// one thread only, as the program's single user-interface thread does.
class LangIni {
  public:
    static constexpr qsizetype kMaxValueBytes = 2047;
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    // Reads the file at `path` on first use and whenever it changes.
    explicit LangIni(const QString& path);
    // A reader over fixed content, not backed by a file (for tests and tools).
    static LangIni FromBytes(QByteArrayView content);

    // The value of `key` in `section`, else `defaultText`.
    QByteArray lookup(QByteArrayView section, QByteArrayView key, QByteArrayView defaultText) const;

    // Empty for a reader made by FromBytes.
    const QString& path() const { return path_; }

  private:
    using Section = QHash<QByteArray, QByteArray>;  // folded key -> value
    using Table = QHash<QByteArray, Section>;       // folded section name -> entries

    struct FileStamp {
        bool exists = false;
        qint64 size = -1;
        qint64 modified_ms = 0;
        qint64 changed_ms = 0;
        bool operator==(const FileStamp&) const = default;
    };

    LangIni() = default;
    static Table Parse(QByteArrayView content);
    static FileStamp StampOf(const QString& path);
    void refreshFromFile() const;

    QString path_;
    bool backed_by_file_ = false;
    mutable bool loaded_ = false;
    mutable FileStamp stamp_;
    mutable Table table_;
};

}  // namespace tern::text
