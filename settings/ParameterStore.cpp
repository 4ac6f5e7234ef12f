#include "ParameterStore.h"

#include "BuiltinTexts.h"
#include "TextUtil.h"

#include <QColor>

namespace okulon {

namespace {

QString builtinLine(const auto& list, int row)
{
    if (row < 0 || row >= static_cast<int>(list.size()))
        return {};
    return QString::fromUtf8(list[static_cast<std::size_t>(row)]);
}

} // namespace

ParameterStore::ParameterStore(QObject* parent)
    : QAbstractTableModel(parent)
{
    // Until a language is applied the comment list holds the English comments
    // of rows 0..123.
    for (int row = 0; row < 124; ++row)
        m_commentList.append(builtinLine(builtin::mLDefaultEnglish, 1 + 42 + 1 + row));
}

int ParameterStore::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows();
}

int ParameterStore::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant ParameterStore::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows())
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case IndexColumn:
            return QString::number(index.row());
        case ValueColumn:
            return row.value;
        case CommentColumn:
            return row.comment;
        }
        break;
    case Qt::BackgroundRole:
        if (index.column() == IndexColumn) {
            const QString colour = rowColourText(index.row());
            if (!colour.isEmpty()) {
                const std::uint32_t c = ColourFromText(colour);
                return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
            }
        }
        break;
    default:
        break;
    }
    return {};
}

bool ParameterStore::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rows())
        return false;
    Row& row = m_rows[static_cast<std::size_t>(index.row())];
    if (index.column() == ValueColumn)
        row.value = value.toString();
    else if (index.column() == CommentColumn)
        row.comment = value.toString();
    else
        return false;
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags ParameterStore::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() != IndexColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

QString ParameterStore::defaultLine(int row)
{
    return builtinLine(builtin::DefaultSettings, row);
}

void ParameterStore::writeValue(int row, const QString& text)
{
    m_rows[static_cast<std::size_t>(row)].value = text;
    const QModelIndex i = index(row, ValueColumn);
    emit dataChanged(i, i);
    recomputeCommentColumnWidth();
}

std::int32_t ParameterStore::GetParamInt(int n)
{
    if (!hasRowFor(n))
        return NoIntValue;
    const auto parsed = ParseWholeInt(m_rows[static_cast<std::size_t>(n - 1)].value);
    if (!parsed || *parsed == NoIntValue) {
        // Repair from the built-in defaults; this read still gives 0.
        writeValue(n - 1, defaultLine(n - 1));
        return 0;
    }
    return *parsed;
}

QString ParameterStore::paramText(int n)
{
    if (!hasRowFor(n))
        return defaultLine(n - 1);
    if (TrimBlanks(m_rows[static_cast<std::size_t>(n - 1)].value).isEmpty())
        writeValue(n - 1, defaultLine(n - 1));
    return m_rows[static_cast<std::size_t>(n - 1)].value;
}

std::string ParameterStore::GetParamText(int n)
{
    return paramText(n).toStdString();
}

void ParameterStore::setParamText(int n, const QString& text)
{
    if (!hasRowFor(n))
        return; // there is no cell to write
    writeValue(n - 1, text);
}

void ParameterStore::SetParamInt(int n, std::int32_t value)
{
    setParamText(n, QString::number(value));
}

void ParameterStore::SetParamText(int n, const std::string& text)
{
    setParamText(n, QString::fromStdString(text));
}

void ParameterStore::setRowCount(int count)
{
    count = std::max(count, 0);
    const int old = rows();
    if (count == old)
        return;
    if (count > old) {
        beginInsertRows(QModelIndex(), old, count - 1);
        m_rows.resize(static_cast<std::size_t>(count));
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), count, old - 1);
        m_rows.resize(static_cast<std::size_t>(count));
        endRemoveRows();
    }
}

QString ParameterStore::value(int row) const
{
    return row >= 0 && row < rows() ? m_rows[static_cast<std::size_t>(row)].value : QString();
}

QString ParameterStore::comment(int row) const
{
    return row >= 0 && row < rows() ? m_rows[static_cast<std::size_t>(row)].comment : QString();
}

QStringList ParameterStore::values() const
{
    QStringList out;
    out.reserve(rows());
    for (const Row& row : m_rows)
        out.append(row.value);
    return out;
}

void ParameterStore::setValues(const QStringList& values)
{
    setRowCount(static_cast<int>(values.size()));
    for (int row = 0; row < rows(); ++row)
        m_rows[static_cast<std::size_t>(row)].value = values.at(row);
    if (rows() > 0)
        emit dataChanged(index(0, 0), index(rows() - 1, ValueColumn));
}

void ParameterStore::setComments(const QStringList& comments)
{
    for (int row = 0; row < rows(); ++row)
        m_rows[static_cast<std::size_t>(row)].comment = row < comments.size() ? comments.at(row) : QString();
    if (rows() > 0)
        emit dataChanged(index(0, CommentColumn), index(rows() - 1, CommentColumn));
}

int ParameterStore::rowHeight(int row) const
{
    return row >= 0 && row < rows() ? m_rows[static_cast<std::size_t>(row)].height : 0;
}

void ParameterStore::applyRowVisibility()
{
    for (Row& row : m_rows) {
        if (row.height == 0)
            row.height = DefaultRowHeightPx;
        if (row.comment.isEmpty())
            row.height = 0;
    }
    emit layoutMetricsChanged();
}

int ParameterStore::columnWidth(int column) const
{
    switch (column) {
    case IndexColumn:
        return m_indexColumnWidth;
    case ValueColumn:
        return m_valueColumnWidth;
    case CommentColumn:
        return m_commentColumnWidth;
    }
    return 0;
}

void ParameterStore::setValueColumnWidth(int width)
{
    m_valueColumnWidth = width;
    recomputeCommentColumnWidth();
}

void ParameterStore::setWindowWidth(int width)
{
    m_windowWidth = width;
    recomputeCommentColumnWidth();
}

void ParameterStore::recomputeCommentColumnWidth()
{
    const int width = m_windowWidth - m_indexColumnWidth - m_valueColumnWidth - 50;
    if (width != m_commentColumnWidth) {
        m_commentColumnWidth = width;
        emit layoutMetricsChanged();
    }
}

QString ParameterStore::rowColourText(int row)
{
    const QString text = builtinLine(builtin::mDefaultColors, row);
    return IsColourText(text) ? TrimBlanks(text) : QString();
}

bool IsColourText(const QString& text)
{
    const QString t = TrimBlanks(text);
    if (t.size() != 6)
        return false;
    for (const QChar c : t) {
        const char16_t u = c.unicode();
        const bool hex = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!hex)
            return false;
    }
    return true;
}

std::uint32_t ColourFromText(const QString& text)
{
    auto pair = [&](int at) -> std::uint32_t {
        bool ok = false;
        const uint v = text.mid(at, 2).toUInt(&ok, 16);
        return ok && text.mid(at, 2).size() == 2 ? v : 0;
    };
    return pair(0) | (pair(2) << 8) | (pair(4) << 16);
}

QString ColourToText(std::uint32_t colour)
{
    return QStringLiteral("%1%2%3")
        .arg(colour & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace okulon
