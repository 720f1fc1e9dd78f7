#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// An INI file read and written by the rules of the Windows private-profile routines,
// which the files of older installations were made with: section and key names
// match regardless of case, names and values are trimmed of blanks and control
// characters, one pair of surrounding quotes is removed, the first matching key of
// the first matching section wins, a new key goes after the last entry of its
// section (a missing section is added at the end), other lines are kept as they
// are and lines end CR LF. QSettings cannot be used: it sorts and escapes keys and
// drops lines it does not understand.
class IniFile {
  public:
    IniFile() = default;

    // A missing or unreadable file reads as empty. Text that is not valid UTF-8 is
    // taken as Windows-1250.
    static IniFile Load(const QString& path);
    // What Load makes of a file holding these bytes.
    static IniFile FromBytes(const QByteArray& bytes);
    static IniFile FromText(const QString& text);

    // The value as stored (trimmed, surrounding quotes removed), or nothing.
    std::optional<QString> Value(const QString& section, const QString& key) const;
    // A missing key gives the default, with its trailing blanks dropped.
    QString ReadString(const QString& section, const QString& key,
                       const QString& default_value) const;
    // Signed 32-bit decimal only; a missing, empty or malformed value (hexadecimal
    // forms such as "0x10" included), or one outside the 32-bit range, gives the default.
    qint32 ReadInteger(const QString& section, const QString& key, qint32 default_value) const;
    // The entries of a section in file order: each key as the file spells it, with its
    // value as Value gives it. A key may appear twice; the first line counts.
    using Entry = std::pair<QString, QString>;
    using EntryView = std::pair<QStringView, QStringView>;
    QList<Entry> Entries(const QString& section) const;
    // What Entries gives, without copying: visit(key, value) for each entry in turn,
    // with views into the file that hold during the call.
    void VisitEntries(const QString& section,
                      const std::function<void(QStringView key, QStringView value)>& visit) const;

    // A CR or LF in the value is written as a blank: it would end the line early and
    // turn the rest into lines of their own (a "[section]" that takes every later key).
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, qint64 value);
    // WriteString for each (key, value) in turn, with the same result, in time linear
    // in the file: the new keys go together after the last entry of the section.
    // One by one, every new key in a section that is not the last of the file would
    // move every later line and rebuild the index.
    void WriteStrings(const QString& section, const QList<Entry>& entries);
    // The same with views of keys and values held by the caller during the call, so
    // that a caller can put a whole batch in one text.
    void WriteStrings(const QString& section, const QList<EntryView>& entries);

    // The whole file, every line ended by CR LF.
    QString ToText() const;
    // The bytes Save writes: the text as UTF-8.
    QByteArray ToBytes() const;
    // Writes the file beside its final name and moves it into place only when
    // complete, so a failed write never leaves a partial file. On failure returns
    // false with a message that names the file.
    bool Save(const QString& path, QString* error_message) const;

    static std::optional<qint32> ParseInteger(QStringView text);

    // A key of the index: its section's number (see sections_) and a view of the
    // key's text in its line. Equal regardless of case.
    struct KeyRef {
        int section = -1;
        QStringView key;
    };

  private:
    // The file of a text that nothing else can change: its lines are views into it.
    static IniFile FromOwnedText(const QString& text);
    void BuildIndex() const;
    // The number of the first section of that name in sections_, or -1.
    int SectionNumber(const QString& section) const;
    int SectionLine(const QString& section) const;
    // SectionLine without the index: the first header of that name, or -1.
    int FirstSectionLine(const QString& section) const;
    int FindKeyLine(const QString& section, QStringView key) const;

    // Lines read from a file, and lines written in a batch, do not own their text:
    // they are QString::fromRawData views into one of buffers_, which holds every
    // such text unchanged for the life of the file (and of its copies, which share
    // it). Reading 40,000 lines is then one allocation, not 40,000, and copying a
    // line copies no text. A line written on its own owns its text.
    QStringList lines_;
    QStringList buffers_;
    // The first section of each name, by number. Keys refer to their section by
    // number, not by line, so a line inserted mid-file shifts line numbers without
    // changing any key of the index.
    struct SectionSpan {
        int header;  // its header line
        int end;     // after its last entry
    };
    mutable QHash<KeyRef, int> key_lines_;           // first line of each key
    mutable std::vector<SectionSpan> sections_;      // in file order
    mutable QHash<QString, int> section_numbers_;    // lower-case name -> number
    mutable std::optional<QString> cached_section_;  // callers ask for one section often
    mutable int cached_section_number_ = -1;
    mutable bool index_valid_ = false;
};

size_t qHash(const IniFile::KeyRef& ref, size_t seed) noexcept;
bool operator==(const IniFile::KeyRef& a, const IniFile::KeyRef& b) noexcept;

// Reads and writes a whole file as bytes through a temporary file beside it, so the
// target is either the earlier file or the complete new one. Shared by every writer.
bool WriteFileAtomically(const QString& path, const QByteArray& contents, QString* error_message);
