#pragma once
// Export and printing of a data grid: "导出Excel…", "导出CSV…", "打印…" and "导出PDF…" in its
// context menu. The visible columns in their order with their captions and widths, the window
// caption and the filter values of the last load as heading, the footer sums as a last row. Rows
// are read from the database a page at a time, never the whole result at once.
#include "export/table_file.h"

#include <QColor>
#include <QObject>
#include <functional>
#include <optional>

class DataGrid;
class QAction;
class QPrinter;
class QProgressDialog;

class GridExport : public QObject {
    Q_OBJECT
public:
    enum class Format { Xlsx, Csv, Pdf };
    static constexpr int PageRows = 1000;     // rows read by one statement
    static constexpr int ProgressFrom = 2000; // results from this size show a progress dialog
    static constexpr qint64 AskAbovePages = 500; // a print or PDF of more pages is asked for first

    // Gives the grid its export actions; returns the separator in front of them, so the grid's
    // own actions can be put before it.
    static QAction* attach(DataGrid* grid);
    static GridExport* of(const DataGrid* grid);

    // Writes the grid to `path` (no chooser): true when the file is there. A cancelled or failed
    // export leaves nothing under `path`; failures are shown.
    bool exportTo(Format format, const QString& path);
    // Paints the whole grid onto a printer (or a PDF printer): false when cancelled, declined (more
    // than AskAbovePages pages) or failed.
    bool printTo(QPrinter* printer);
    // Rows of the table on one printed page of `printer`.
    int pageRows(QPrinter* printer) const;

    TableFile::Heading heading() const;
    QList<TableFile::Column> columns() const;

    // The menu commands: ask for a file, then export; the print preview.
    void exportExcel() { chooseAndExport(Format::Xlsx); }
    void exportCsv() { chooseAndExport(Format::Csv); }
    void exportPdf() { chooseAndExport(Format::Pdf); }
    void print();

private:
    explicit GridExport(DataGrid* grid);
    struct Row {
        QVector<QVariant> cells;
        std::optional<QColor> color;
    };
    // Hands every row of the result in order to `each`; false when cancelled (or `each` stopped).
    bool stream(const std::function<bool(const Row&)>& each, QProgressDialog* progress);
    QVector<TableFile::FooterCell> footer() const;
    QList<int> visibleColumns() const; // model columns in their shown order
    QStringList filterLines() const;
    bool writePdf(const QString& path);
    void chooseAndExport(Format format);
    QProgressDialog* makeProgress(qint64 total);

    DataGrid* m_grid;
    QStringList m_filters; // captured when the grid was loaded
    bool m_cancelled = false;
    qint64 m_confirmedPages = 0; // pages the user agreed to print
};
