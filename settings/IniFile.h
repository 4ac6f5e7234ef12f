// An INI document: SimpleIni parses and holds it; we write it ourselves so the
// file looks the same on every platform (CR LF, no blanks around "=", one empty
// line between sections) and is replaced atomically.
//
// Section and key names are matched without regard to case; when a key appears
// twice in a section the last one counts. Values that begin or end with blanks,
// or are themselves wrapped in double quotes, are written inside one extra pair
// of double quotes, so that every value reads back exactly as it was set.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace okulon {

class IniDocument {
public:
    IniDocument();
    ~IniDocument();
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // Largest file read; a larger one is treated as unreadable.
    static constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

    // Replaces the document with the file's contents. False (and an empty
    // document) when the file does not exist, cannot be read or is too large.
    bool load(const QString& fileName);
    void loadBytes(const QByteArray& bytes);

    bool hasKey(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& fallback = QString()) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    QStringList keys(const QString& section) const; // in file order

    QByteArray toBytes() const;
    // Writes the document through a temporary file that replaces fileName only
    // when complete. False when the file could not be written.
    bool save(const QString& fileName) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace okulon
