// Profiles: one INI file with the values of all parameters and the position
// and size of the program's windows.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace okulon {

class IniDocument;
class Localisation;
class ParameterStore;

struct WindowGeometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowGeometry&) const = default;
};

// What a window lets its property storage keep: its geometry and, for some
// windows, a few named values.
class IStoredWindow {
public:
    virtual ~IStoredWindow() = default;
    virtual WindowGeometry storedGeometry() const = 0;
    // Called with the geometry read from a profile; keys missing from the file
    // keep the value from storedGeometry().
    virtual void restoreGeometry(const WindowGeometry& geometry) = 0;
    virtual QString storedValue(const QString& /*name*/) const { return {}; }
    virtual void restoreValue(const QString& /*name*/, const QString& /*value*/) { }
};

// A window's property storage: one section "TApplication.<window>" of a
// profile. An empty file name means the default profile file.
class PropertyStorage {
public:
    enum class Key { Left, Top, Width, Height, Named };
    struct Entry {
        Key key;
        QString name; // the named value's key, for Key::Named
    };

    PropertyStorage(QString windowName, QList<Entry> order);

    const QString& windowName() const { return m_windowName; }
    QString sectionName() const { return QStringLiteral("TApplication.") + m_windowName; }
    QString keyName(const Entry& e) const;

    void setWindow(IStoredWindow* window) { m_window = window; }
    IStoredWindow* window() const { return m_window; }
    QString fileName;

    void writeTo(IniDocument& ini) const;
    void restoreFrom(const IniDocument& ini) const;

private:
    QString m_windowName;
    QList<Entry> m_order;
    IStoredWindow* m_window = nullptr;
};

// Cuts a text at every separator character and at line breaks. A separator
// inside single or double quotes does not cut (the quotes stay in the piece);
// empty pieces are dropped; nothing is trimmed.
QStringList SplitDelimited(const QString& text, QChar separator);

class Profiles {
public:
    // The storages, in the order they save and restore.
    enum Storage { RaspGlaz, FormSettings, FAbout, FormPol, ObrDebug, FormLog, FormSot, FormSco9, StorageCount };

    static constexpr const char* SettingsSection = "TApplication.FormSettings_1";
    // No profile holds more parameter rows than this, whatever its ParameterCount says.
    static constexpr int MaxParameterRows = 4096;

    Profiles(ParameterStore& parameters, Localisation& localisation, QString programPath);

    // The engine's configuration step, given the profile file name just read.
    void setApplyConfiguration(std::function<void(const QString&)> f) { m_applyConfiguration = std::move(f); }
    // Shown as the hourglass cursor while an operation runs.
    void setBusyIndicator(std::function<void(bool)> f) { m_busy = std::move(f); }

    PropertyStorage& storage(Storage s) { return m_storages[s]; }

    QString defaultProfileFile() const { return m_defaultProfileFile; }
    QString profileFileName() const { return m_profileFileName; }
    void setProfileFileName(const QString& name) { m_profileFileName = name; }
    const QStringList& valueList() const { return m_valueList; }

    void LoadSettingsFile(const QString& fileName, bool apply, const QString& overrides = QString(),
        QChar pairSeparator = u'&', QChar valueSeparator = u'=');
    // False when the file could not be written; the previous file is then intact.
    bool SaveProfileFile(const QString& fileName);
    void ResetSettingsToDefaults();
    bool ResetProfileFile();
    void ApplyCurrentSettings();

    // A window's own restore when it is created and save when it is destroyed:
    // geometry only, in the file its storage names (normally the default profile).
    void restoreWindow(Storage s);
    bool saveWindow(Storage s);

    static QStringList defaultProfileText();

private:
    QString storageFile(const PropertyStorage& s) const;
    void readValueList(const IniDocument& ini);
    void applyOverrides(const QString& overrides, QChar pairSeparator, QChar valueSeparator);

    ParameterStore& m_parameters;
    Localisation& m_localisation;
    QString m_defaultProfileFile;
    QString m_profileFileName;
    QStringList m_valueList;
    std::array<PropertyStorage, StorageCount> m_storages;
    std::function<void(const QString&)> m_applyConfiguration;
    std::function<void(bool)> m_busy;
};

// The program's path with its extension replaced by ".ini".
QString ProfileFileFor(const QString& programPath);

} // namespace okulon
