// Language texts: the numbered messages, the parameter comments and the
// captions of the localised windows all come from one language text, a list
// of lines cut into sections by its first line.
#pragma once

#include "Ports.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace okulon {

class ParameterStore;

// A component that may carry a caption and owns further components. The
// windows implement it over their widgets and menu items, in creation order.
class ICaptioned {
public:
    virtual ~ICaptioned() = default;
    virtual bool hasCaption() const = 0;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;
    virtual QList<ICaptioned*> ownedComponents() const = 0;
};

enum class BuiltinLanguage { English, Russian, French };

QStringList BuiltinLanguageText(BuiltinLanguage language);

// The lines of section k (k >= 1) of a language text; empty for k = 0, an empty
// text or a text with fewer than k separator lines.
QStringList ExtractSection(const QStringList& text, int k);

class Localisation : public IMessages {
public:
    // The localised windows, in the order of their caption sections 3..10.
    enum Window { RaspGlaz, FormSettings, FAbout, FormPol, ObrDebug, FormLog, FormSot, FormSco9, WindowCount };

    enum class LoadResult { Applied, Missing, Unreadable, WrongLineCount };

    Localisation(ParameterStore& parameters, QString programFolder);

    // Windows plug in here as they are created; a window not set takes no captions.
    void setLocalisedWindow(Window w, ICaptioned* window) { m_windows[w] = window; }
    // Runs before every component the caption walk visits (the program lets
    // the user interface process pending events there).
    void setProcessPendingEvents(std::function<void()> f) { m_processPendingEvents = std::move(f); }

    std::string GetMessageText(int k) const override;
    QString messageText(int k) const;
    const QStringList& messages() const { return m_messages; }

    const QStringList& currentText() const { return m_current; }
    void setCurrentText(const QStringList& text) { m_current = text; }

    void ApplyLanguageText(const QStringList& text);
    void SetLanguageByName(const QString& name);
    void ApplyCurrentLanguage();
    LoadResult LoadLanguageFile(const QString& fileName);
    // Writes "CurrentLanguage.lng" in the program's folder; false when it could
    // not be written (the previous file then stays as it was).
    bool DumpCurrentLanguage();
    QString dumpFileName() const;

    // Largest language file read; anything bigger cannot be one of ours.
    static constexpr qint64 MaxLanguageFileBytes = 4 * 1024 * 1024;

private:
    void walkCaptions(ICaptioned* component, const QStringList& lines, int& index);
    void collectCaptions(ICaptioned* component, QStringList& out) const;

    ParameterStore& m_parameters;
    QString m_programFolder;
    std::array<ICaptioned*, WindowCount> m_windows{};
    std::function<void()> m_processPendingEvents;
    QStringList m_current;
    QStringList m_messages{QStringLiteral("Command executed")};
};

} // namespace okulon
