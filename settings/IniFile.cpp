#include "IniFile.h"

#include <QFile>
#include "TextUtil.h"

#include <SimpleIni.h>
#include <string>

namespace okulon {

namespace {

std::string utf8(const QString& s)
{
    return s.toStdString();
}

bool needsQuotes(const QString& v)
{
    if (v.isEmpty())
        return false;
    if (v.front().unicode() <= 32 || v.back().unicode() <= 32)
        return true;
    return v.size() >= 2 && v.front() == u'"' && v.back() == u'"';
}

QString decodeValue(const char* raw)
{
    QString v = QString::fromUtf8(raw);
    if (v.size() >= 2 && v.front() == u'"' && v.back() == u'"')
        v = v.mid(1, v.size() - 2);
    return v;
}

QByteArray encodeValue(QString v)
{
    // A line break would cut the entry in two; it cannot be stored.
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    if (needsQuotes(v))
        v = u'"' + v + u'"';
    return v.toUtf8();
}

} // namespace

struct IniDocument::Impl {
    CSimpleIniA ini{false, false, false};
};

IniDocument::IniDocument()
    : d(std::make_unique<Impl>())
{
}

IniDocument::~IniDocument() = default;

bool IniDocument::load(const QString& fileName)
{
    d->ini.Reset();
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly) || f.size() > MaxFileBytes)
        return false;
    loadBytes(f.readAll());
    return true;
}

void IniDocument::loadBytes(const QByteArray& bytes)
{
    d->ini.Reset();
    d->ini.LoadData(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool IniDocument::hasKey(const QString& section, const QString& key) const
{
    return d->ini.GetValue(utf8(section).c_str(), utf8(key).c_str(), nullptr) != nullptr;
}

QString IniDocument::value(const QString& section, const QString& key, const QString& fallback) const
{
    const char* raw = d->ini.GetValue(utf8(section).c_str(), utf8(key).c_str(), nullptr);
    return raw ? decodeValue(raw) : fallback;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    d->ini.SetValue(utf8(section).c_str(), utf8(key).c_str(), encodeValue(value).constData());
}

QStringList IniDocument::keys(const QString& section) const
{
    CSimpleIniA::TNamesDepend names;
    d->ini.GetAllKeys(utf8(section).c_str(), names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList out;
    for (const auto& n : names)
        out.append(QString::fromUtf8(n.pItem));
    return out;
}

QByteArray IniDocument::toBytes() const
{
    CSimpleIniA::TNamesDepend sections;
    d->ini.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());
    QByteArray out;
    bool first = true;
    for (const auto& s : sections) {
        if (!first)
            out += "\r\n";
        first = false;
        if (*s.pItem)
            out += QByteArray("[") + s.pItem + "]\r\n";
        CSimpleIniA::TNamesDepend keys;
        d->ini.GetAllKeys(s.pItem, keys);
        keys.sort(CSimpleIniA::Entry::LoadOrder());
        for (const auto& k : keys) {
            const char* v = d->ini.GetValue(s.pItem, k.pItem, "");
            out += QByteArray(k.pItem) + "=" + v + "\r\n";
        }
    }
    return out;
}

bool IniDocument::save(const QString& fileName) const
{
    return WriteFileAtomically(fileName, toBytes());
}

} // namespace okulon
