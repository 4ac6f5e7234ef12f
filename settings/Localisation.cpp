#include "Localisation.h"

#include "BuiltinTexts.h"
#include "ParameterStore.h"
#include "TextUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace okulon {

namespace {

QStringList toList(const std::array<const char*, 288>& lines)
{
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const char* l : lines)
        out.append(QString::fromUtf8(l));
    return out;
}

} // namespace

QStringList BuiltinLanguageText(BuiltinLanguage language)
{
    switch (language) {
    case BuiltinLanguage::Russian:
        return toList(builtin::mLDefaultRussian);
    case BuiltinLanguage::French:
        return toList(builtin::mLDefaultFrench);
    case BuiltinLanguage::English:
        break;
    }
    return toList(builtin::mLDefaultEnglish);
}

QStringList ExtractSection(const QStringList& text, int k)
{
    QStringList out;
    if (k < 1 || text.isEmpty())
        return out;
    const QString& separator = text.front();
    int section = 0;
    for (const QString& line : text) {
        if (line == separator) {
            if (section == k)
                break;
            ++section;
        } else if (section == k) {
            out.append(line);
        }
    }
    return out;
}

Localisation::Localisation(ParameterStore& parameters, QString programFolder)
    : m_parameters(parameters)
    , m_programFolder(std::move(programFolder))
    , m_current(BuiltinLanguageText(BuiltinLanguage::English))
{
}

QString Localisation::messageText(int k) const
{
    return k >= 1 && k <= m_messages.size() ? m_messages.at(k - 1) : QString();
}

std::string Localisation::GetMessageText(int k) const
{
    return messageText(k).toStdString();
}

void Localisation::walkCaptions(ICaptioned* component, const QStringList& lines, int& index)
{
    if (index > lines.size() - 1)
        return; // this component and everything it owns keep their captions
    if (component->hasCaption())
        component->setCaption(lines.at(index++));
    for (ICaptioned* owned : component->ownedComponents()) {
        if (m_processPendingEvents)
            m_processPendingEvents();
        walkCaptions(owned, lines, index);
    }
}

void Localisation::collectCaptions(ICaptioned* component, QStringList& out) const
{
    if (component->hasCaption())
        out.append(component->caption());
    for (ICaptioned* owned : component->ownedComponents())
        collectCaptions(owned, out);
}

void Localisation::ApplyLanguageText(const QStringList& text)
{
    for (int w = 0; w < WindowCount; ++w) {
        if (m_windows[w]) {
            int index = 0;
            walkCaptions(m_windows[w], ExtractSection(text, 3 + w), index);
        }
    }
    const QStringList comments = ExtractSection(text, 2);
    if (!comments.isEmpty()) {
        m_parameters.setRowCount(static_cast<int>(comments.size()));
        m_parameters.setCommentList(comments);
        m_parameters.setComments(comments);
        m_parameters.recomputeCommentColumnWidth();
    }
    const QStringList messages = ExtractSection(text, 1);
    if (!messages.isEmpty())
        m_messages = messages;
    m_parameters.applyRowVisibility();
}

void Localisation::SetLanguageByName(const QString& name)
{
    const QFileInfo file(name);
    if (!name.isEmpty() && file.exists() && file.isFile()) {
        LoadLanguageFile(name);
        return;
    }
    QString chosen = name;
    BuiltinLanguage language = BuiltinLanguage::English;
    if (name == QLatin1String("Fre"))
        language = BuiltinLanguage::French;
    else if (name == QLatin1String("Rus"))
        language = BuiltinLanguage::Russian;
    else if (name != QLatin1String("Eng"))
        chosen = QStringLiteral("Eng");
    m_current = BuiltinLanguageText(language);
    ApplyLanguageText(m_current);
    m_parameters.setParamText(2, chosen);
}

void Localisation::ApplyCurrentLanguage()
{
    SetLanguageByName(m_parameters.paramText(2));
}

Localisation::LoadResult Localisation::LoadLanguageFile(const QString& fileName)
{
    QFile f(fileName);
    if (!QFileInfo(fileName).isFile() || !f.exists())
        return LoadResult::Missing;
    if (!f.open(QIODevice::ReadOnly) || f.size() > MaxLanguageFileBytes)
        return LoadResult::Unreadable;
    const QByteArray bytes = f.readAll();
    // A file that is not UTF-8 would show garbled texts everywhere: keep the
    // language in force instead.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() || bytes.contains('\0'))
        return LoadResult::Unreadable;

    QStringList lines = SplitLines(text);
    if (!lines.isEmpty() && lines.front().startsWith(QChar(0xFEFF)))
        lines.front().remove(0, 1);
    const QString separator = QString::fromUtf8(builtin::LanguageSeparator);
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines.at(i).contains(separator))
            lines[i] = separator;
    }
    if (lines.size() != static_cast<qsizetype>(builtin::mLDefaultEnglish.size()))
        return LoadResult::WrongLineCount;
    m_current = lines;
    ApplyLanguageText(m_current);
    m_parameters.setParamText(2, fileName);
    return LoadResult::Applied;
}

QString Localisation::dumpFileName() const
{
    return m_programFolder + QStringLiteral("/CurrentLanguage.lng");
}

bool Localisation::DumpCurrentLanguage()
{
    const QString separator = QString::fromUtf8(builtin::LanguageSeparator);
    QStringList text;
    text.append(separator);
    text += m_messages;
    text.append(separator);
    for (int row = 0; row < m_parameters.rows(); ++row)
        text.append(m_parameters.comment(row));
    text.append(separator);
    for (ICaptioned* window : m_windows) {
        if (window)
            collectCaptions(window, text);
        text.append(separator);
    }
    m_current = text;

    return WriteFileAtomically(dumpFileName(), JoinLinesCrLf(text));
}

} // namespace okulon
