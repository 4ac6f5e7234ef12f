// The numbered parameters: a three-column table (row index, value, comment)
// that the settings window shows and that every other part of the program
// reads and writes by parameter number. Parameter N lives in row N - 1.
#pragma once

#include "Ports.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace okulon {

class ParameterStore : public QAbstractTableModel, public IParameters {
    Q_OBJECT

public:
    static constexpr int IndexColumn = 0;
    static constexpr int ValueColumn = 1;
    static constexpr int CommentColumn = 2;
    static constexpr int DefaultRowHeightPx = 14;
    static constexpr int DefaultColumnWidthPx = 40;
    static constexpr int DefaultWindowWidthPx = 580;

    explicit ParameterStore(QObject* parent = nullptr);

    // Table model: column 0 shows the row index, 1 the value, 2 the comment.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Typed access by parameter number (1-based).
    std::int32_t GetParamInt(int n) override;
    std::string GetParamText(int n) override;
    void SetParamInt(int n, std::int32_t value) override;
    void SetParamText(int n, const std::string& text) override;
    QString paramText(int n);
    void setParamText(int n, const QString& text);

    // Built-in default of grid row `row` ("" beyond the list).
    static QString defaultLine(int row);

    // Whole-table operations for loading, resetting and languages.
    int rows() const { return static_cast<int>(m_rows.size()); }
    void setRowCount(int count);
    QString value(int row) const;
    QString comment(int row) const;
    QStringList values() const;
    void setValues(const QStringList& values); // row count := number of values
    void setComments(const QStringList& comments); // rows beyond the list get ""

    // The comment list of the current language, copied into column 2 on reset.
    const QStringList& commentList() const { return m_commentList; }
    void setCommentList(const QStringList& comments) { m_commentList = comments; }

    // Row heights: rows whose comment is empty are hidden (height 0).
    int rowHeight(int row) const;
    bool isRowHidden(int row) const { return rowHeight(row) == 0; }
    void applyRowVisibility();

    // Column widths in pixels; the comment column takes what the window leaves.
    int columnWidth(int column) const;
    void setValueColumnWidth(int width);
    void setWindowWidth(int width);
    int windowWidth() const { return m_windowWidth; }
    void recomputeCommentColumnWidth();

    // Background colour of the index cell of a row, or an invalid colour.
    static QString rowColourText(int row);

signals:
    void layoutMetricsChanged(); // row heights or column widths changed

private:
    struct Row {
        QString value;
        QString comment;
        int height = DefaultRowHeightPx;
    };

    bool hasRowFor(int n) const { return n >= 1 && n <= rows(); }
    void writeValue(int row, const QString& text);

    std::vector<Row> m_rows;
    QStringList m_commentList;
    int m_indexColumnWidth = DefaultColumnWidthPx;
    int m_valueColumnWidth = DefaultColumnWidthPx;
    int m_commentColumnWidth = DefaultColumnWidthPx;
    int m_windowWidth = DefaultWindowWidthPx;
};

// Colour text RRGGBB: exactly six hexadecimal digits after trimming.
bool IsColourText(const QString& text);
// Red in the low byte, green in the middle, blue in the high byte; a pair that
// does not parse counts as 0.
std::uint32_t ColourFromText(const QString& text);
// Two upper-case hexadecimal digits each for red, green and blue.
QString ColourToText(std::uint32_t colour);

} // namespace okulon
