#include "Profiles.h"

#include "BuiltinTexts.h"
#include "IniFile.h"
#include "Localisation.h"
#include "ParameterStore.h"
#include "TextUtil.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace okulon {

namespace {

using Key = PropertyStorage::Key;
using Entry = PropertyStorage::Entry;

const QList<Entry> HeightLeftTopWidth{{Key::Height, {}}, {Key::Left, {}}, {Key::Top, {}}, {Key::Width, {}}};

std::array<PropertyStorage, Profiles::StorageCount> makeStorages()
{
    return {{
        PropertyStorage(QStringLiteral("RaspGlaz"),
            {{Key::Height, {}}, {Key::Left, {}}, {Key::Named, QStringLiteral("pic2_Left")},
                {Key::Named, QStringLiteral("pic2_Top")}, {Key::Top, {}}, {Key::Width, {}},
                {Key::Named, QStringLiteral("sizx")}, {Key::Named, QStringLiteral("sizy")}}),
        PropertyStorage(QStringLiteral("FormSettings_1"), HeightLeftTopWidth),
        PropertyStorage(QStringLiteral("fAbout"), {}), // keeps nothing
        PropertyStorage(QStringLiteral("Form_Pol"), {{Key::Left, {}}, {Key::Top, {}}, {Key::Width, {}}, {Key::Height, {}}}),
        PropertyStorage(QStringLiteral("Obr_debug"), HeightLeftTopWidth),
        PropertyStorage(QStringLiteral("FormLog"), HeightLeftTopWidth),
        PropertyStorage(QStringLiteral("Form_sot"), HeightLeftTopWidth),
        PropertyStorage(QStringLiteral("Form_Sco9"), HeightLeftTopWidth),
    }};
}

class BusyScope {
public:
    explicit BusyScope(const std::function<void(bool)>& f)
        : m_f(f)
    {
        if (m_f)
            m_f(true);
    }
    ~BusyScope()
    {
        if (m_f)
            m_f(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    const std::function<void(bool)>& m_f;
};

} // namespace

QString ProfileFileFor(const QString& programPath)
{
    const QFileInfo info(programPath);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    const QString folder = programPath.left(programPath.size() - info.fileName().size());
    return folder + base + QStringLiteral(".ini");
}

PropertyStorage::PropertyStorage(QString windowName, QList<Entry> order)
    : m_windowName(std::move(windowName))
    , m_order(std::move(order))
{
}

QString PropertyStorage::keyName(const Entry& e) const
{
    switch (e.key) {
    case Key::Left:
        return m_windowName + QStringLiteral("_Left");
    case Key::Top:
        return m_windowName + QStringLiteral("_Top");
    case Key::Width:
        return m_windowName + QStringLiteral("_Width");
    case Key::Height:
        return m_windowName + QStringLiteral("_Height");
    case Key::Named:
        break;
    }
    return e.name;
}

void PropertyStorage::writeTo(IniDocument& ini) const
{
    if (!m_window)
        return;
    const WindowGeometry g = m_window->storedGeometry();
    for (const Entry& e : m_order) {
        QString v;
        switch (e.key) {
        case Key::Left:
            v = QString::number(g.left);
            break;
        case Key::Top:
            v = QString::number(g.top);
            break;
        case Key::Width:
            v = QString::number(g.width);
            break;
        case Key::Height:
            v = QString::number(g.height);
            break;
        case Key::Named:
            v = m_window->storedValue(e.name);
            break;
        }
        ini.setValue(sectionName(), keyName(e), v);
    }
}

void PropertyStorage::restoreFrom(const IniDocument& ini) const
{
    if (!m_window)
        return;
    WindowGeometry g = m_window->storedGeometry();
    const QString section = sectionName();
    for (const Entry& e : m_order) {
        const QString key = keyName(e);
        if (!ini.hasKey(section, key))
            continue;
        const QString v = ini.value(section, key);
        if (e.key == Key::Named) {
            m_window->restoreValue(e.name, v);
            continue;
        }
        const auto n = ParseWholeInt(v);
        if (!n)
            continue; // a geometry value that is not a number keeps the window as it is
        switch (e.key) {
        case Key::Left:
            g.left = *n;
            break;
        case Key::Top:
            g.top = *n;
            break;
        case Key::Width:
            g.width = *n;
            break;
        case Key::Height:
            g.height = *n;
            break;
        case Key::Named:
            break;
        }
    }
    m_window->restoreGeometry(g);
}

QStringList SplitDelimited(const QString& text, QChar separator)
{
    QStringList pieces;
    QString piece;
    QChar quote;
    auto flush = [&] {
        if (!piece.isEmpty())
            pieces.append(piece);
        piece.clear();
    };
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n') {
            flush();
            quote = QChar();
            continue;
        }
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            piece += c;
            continue;
        }
        if (c == separator) {
            flush();
            continue;
        }
        if (c == u'"' || c == u'\'')
            quote = c;
        piece += c;
    }
    flush();
    return pieces;
}

Profiles::Profiles(ParameterStore& parameters, Localisation& localisation, QString programPath)
    : m_parameters(parameters)
    , m_localisation(localisation)
    , m_defaultProfileFile(ProfileFileFor(programPath))
    , m_profileFileName(m_defaultProfileFile)
    , m_storages(makeStorages())
{
    for (const char* line : builtin::DefaultSettings)
        m_valueList.append(QString::fromUtf8(line));
}

QStringList Profiles::defaultProfileText()
{
    QStringList out;
    for (const char* line : builtin::mDefaultConfig)
        out.append(QString::fromUtf8(line));
    return out;
}

QString Profiles::storageFile(const PropertyStorage& s) const
{
    return s.fileName.isEmpty() ? m_defaultProfileFile : s.fileName;
}

void Profiles::readValueList(const IniDocument& ini)
{
    const QString section = QString::fromLatin1(SettingsSection);
    const QString count = ini.value(section, QStringLiteral("ParameterCount"));
    if (count.isEmpty()) {
        m_valueList.clear();
        for (const char* line : builtin::DefaultSettings)
            m_valueList.append(QString::fromUtf8(line));
        return;
    }
    int n = IntOrZero(count);
    if (n > static_cast<int>(builtin::DefaultSettings.size())) {
        // A count beyond the built-in list is believed only as far as the file
        // holds items, and never beyond MaxParameterRows.
        static const QRegularExpression item(QStringLiteral("^ParameterItem(\\d{1,9})$"),
            QRegularExpression::CaseInsensitiveOption);
        int highest = static_cast<int>(builtin::DefaultSettings.size());
        for (const QString& key : ini.keys(section)) {
            const auto m = item.match(key);
            if (m.hasMatch())
                highest = std::max(highest, std::min(m.captured(1).toInt(), MaxParameterRows));
        }
        n = std::min(n, highest);
    }
    m_valueList.clear();
    for (int k = 1; k <= n; ++k)
        m_valueList.append(ini.value(section, QStringLiteral("ParameterItem%1").arg(k)));
}

void Profiles::applyOverrides(const QString& overrides, QChar pairSeparator, QChar valueSeparator)
{
    if (overrides.isEmpty())
        return;
    for (const QString& item : SplitDelimited(overrides, pairSeparator)) {
        const QStringList kv = SplitDelimited(item, valueSeparator);
        if (kv.size() != 2)
            continue;
        const int k = IntOrZero(kv.at(0));
        if (k > 0 && k < m_valueList.size())
            m_valueList[k] = kv.at(1);
    }
}

void Profiles::LoadSettingsFile(const QString& fileNameIn, bool apply, const QString& overrides,
    QChar pairSeparator, QChar valueSeparator)
{
    BusyScope busy(m_busy);
    const QString remembered = m_storages[FormSettings].fileName;
    const QString fileName = fileNameIn.isEmpty() ? m_profileFileName : fileNameIn;
    for (PropertyStorage& s : m_storages)
        s.fileName = fileName;

    IniDocument ini;
    const bool exists = QFileInfo(fileName).isFile() && ini.load(fileName);
    if (exists)
        readValueList(ini);

    if (m_valueList.isEmpty()) {
        ResetSettingsToDefaults();
    } else {
        applyOverrides(overrides, pairSeparator, valueSeparator);
        m_parameters.setValues(m_valueList);
        if (apply) {
            if (exists) {
                for (const PropertyStorage& s : m_storages)
                    s.restoreFrom(ini);
            }
            m_localisation.ApplyCurrentLanguage();
            if (m_applyConfiguration)
                m_applyConfiguration(fileName);
        }
        m_parameters.recomputeCommentColumnWidth();
    }

    if (exists) {
        const QString section = QString::fromLatin1(SettingsSection);
        if (const auto width = ParseWholeInt(ini.value(section, QStringLiteral("SGColumnWidth1"))))
            m_parameters.setValueColumnWidth(*width);
    }
    for (PropertyStorage& s : m_storages)
        s.fileName = remembered;
}

bool Profiles::SaveProfileFile(const QString& fileNameIn)
{
    BusyScope busy(m_busy);
    const QString fileName = fileNameIn.isEmpty() ? m_profileFileName : fileNameIn;
    if (fileName.isEmpty())
        return false;

    // Keep whatever else the file holds (other sections, old items).
    IniDocument ini;
    if (QFileInfo(fileName).isFile())
        ini.load(fileName);

    const QString section = QString::fromLatin1(SettingsSection);
    for (int s = 0; s < StorageCount; ++s) {
        if (s == FormSettings) {
            m_valueList = m_parameters.values();
            ini.setValue(section, QStringLiteral("ParameterCount"), QString::number(m_valueList.size()));
            for (int k = 1; k <= m_valueList.size(); ++k)
                ini.setValue(section, QStringLiteral("ParameterItem%1").arg(k), m_valueList.at(k - 1));
            ini.setValue(section, QStringLiteral("SGColumnWidth1"),
                QString::number(m_parameters.columnWidth(ParameterStore::ValueColumn)));
        }
        m_storages[s].writeTo(ini);
    }
    return ini.save(fileName);
}

void Profiles::ResetSettingsToDefaults()
{
    QStringList defaults;
    for (const char* line : builtin::DefaultSettings)
        defaults.append(QString::fromUtf8(line));
    m_parameters.setValues(defaults);
    m_parameters.setComments(m_parameters.commentList());
    m_localisation.ApplyCurrentLanguage();
    m_parameters.recomputeCommentColumnWidth();
}

bool Profiles::ResetProfileFile()
{
    if (!WriteFileAtomically(m_defaultProfileFile, JoinLinesCrLf(defaultProfileText())))
        return false;
    LoadSettingsFile(m_defaultProfileFile, true);
    return true;
}

void Profiles::ApplyCurrentSettings()
{
    m_localisation.ApplyCurrentLanguage();
    if (m_applyConfiguration)
        m_applyConfiguration(m_profileFileName);
}

void Profiles::restoreWindow(Storage s)
{
    IniDocument ini;
    if (ini.load(storageFile(m_storages[s])))
        m_storages[s].restoreFrom(ini);
}

bool Profiles::saveWindow(Storage s)
{
    const QString file = storageFile(m_storages[s]);
    IniDocument ini;
    if (QFileInfo(file).isFile())
        ini.load(file);
    m_storages[s].writeTo(ini);
    return ini.save(file);
}

} // namespace okulon
