#pragma once
// The data grid of every list, entry, query and report screen: columns bound to result fields by
// name, lazy fetching, footer sums computed by the database, sorting, row colours, editable and
// check-box columns, columns created at run time.
#include "data/sql.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QStyledItemDelegate;
class QAction;
class QTableView;
class FooterBar;

struct GridColumn {
    QString field;
    QString caption;
    int width = 0;          // 0: the grid's default
    QString footer;         // pattern of the footer sum ("#,##0.##"); empty: no sum
    bool editable = false;
    bool checkBox = false;
    bool visible = true;
    QString format;         // display pattern for numbers; empty: as stored
};

// The columns naming a stock key in the grids that list keys: warehouse name, item code and name,
// colour, size and grade names (fields warehouse_name, item_code, item_name, attr_name,
// size_name, stage_name).
QList<GridColumn> stockKeyColumns();

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int FetchChunk = 256;
    // Pages of a result kept in memory at most; older unedited ones are dropped and read again
    // by one short statement when they are shown or asked for, so paging through a large result
    // holds a bounded number of rows.
    static constexpr int ResidentPages = 128;
    explicit GridModel(QObject* parent = nullptr);

    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return m_columns; }
    void setSort(const QString& field, Qt::SortOrder order);
    QString sortField() const { return m_sortField; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    void setRowColor(std::function<std::optional<QColor>(const GridModel&, int row)> rule);

    // Shows the statement's rows, sorted in SQL, read a page at a time: every page is a short
    // statement of its own, finished before the rows are shown, so no read stays open on the
    // connection between two events. Throws DbError.
    void open(const QString& sql, const QVariantList& params = {});
    // The same over a result whose field `key` numbers its rows in their order (a snapshot): a
    // page starts after the last key read instead of counting rows from the start.
    void openKeyed(const QString& sql, const QVariantList& params, const QString& key);
    // Makes the result first (a snapshot): `make` runs its own statements and then `reads` (the
    // first page and the footer's sums), in one round trip to a server, handing each read's answer
    // to `take` with its index in `reads`.
    using Reader = std::function<void(qsizetype, QSqlQuery&)>;
    using Maker = std::function<void(const QList<Sql::Bound>& reads, const Reader& take)>;
    void openKeyed(const QString& sql, const QVariantList& params, const QString& key, const Maker& make);
    // The same after a write that `make` does (its reads sent with its COMMIT); the rows shown stay
    // when it fails before they are read.
    void open(const QString& sql, const QVariantList& params, const Maker& make);
    // Shows rows already read (a small result computed elsewhere); sums and sorting use them.
    void showRows(const QStringList& fields, const QVector<QVector<QVariant>>& rows);
    void refresh();
    void clear();
    bool isOpen() const { return m_open; }
    QString statement() const { return m_sql; }
    QVariantList parameters() const { return m_params; }
    void fetchAll(); // throws DbError
    // Reads the whole result, `pageSize` rows at a time, without changing the rows shown: first
    // the rows already loaded (with their edits), then the rest, every page a short statement of
    // its own. `each` sees each page as a model (values, colours) and returns false to stop.
    // Returns false when stopped. Throws DbError.
    bool readPages(int pageSize, const std::function<bool(const GridModel& page)>& each) const;
    // Rows of the whole result, not only the loaded ones. Throws DbError.
    qint64 resultCount() const;
    std::optional<QColor> rowColor(int row) const;

    QVariant value(int row, const QString& field) const;
    void setValue(int row, const QString& field, const QVariant& v); // edits kept in the loaded row
    bool hasField(const QString& field) const { return m_fieldIndex.contains(field.toLower()); }
    QStringList fieldNames() const { return m_fieldNames; }
    // Footer sum of a field over the whole result (not only the fetched rows), edited cells included.
    double sum(const QString& field) const { return m_sums.value(field.toLower()); }
    // Sums read again after edits were written to the database.
    void refreshSums();
    // A change the caller wrote to the database itself, added to the footer sum without reading it.
    void addToSum(const QString& field, double delta) { m_sums[field.toLower()] += delta; }
    // One field of every row of the result in the grid's order (one statement; the rows shown
    // stay as they are). Throws DbError.
    QVariantList valuesInOrder(const QString& field) const;
    // Largest value an editable number cell takes (either sign); more is refused.
    static constexpr double MaxNumber = 999999999.999;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    void edited(int row);
    void loaded();

private:
    void start(const QString& sql, const QVariantList& params, const QString& key, const Maker& make = {});
    void startMade(const QString& sql, const QVariantList& params, const QString& key, const Maker& make);
    void readPage(); // the next page, by one short statement; throws DbError
    void takePage(QSqlQuery& q); // the next page from its statement's answer
    std::optional<Sql::Bound> sumStatement(bool fieldsKnown); // none when no column has a footer
    QStringList m_sumFields;                  // the fields it sums, in its order
    void takeSums(QSqlQuery& q);
    void setFields(const QStringList& fields);
    void computeSums();
    void sumRows();
    void sortRows();
    void dropResult();
    QString page(QVariantList& params) const;
    QString pageAt(QVariantList& params, qint64 offset, const QVariant& lastKey, int chunk) const;
    QVector<QVector<QVariant>> readRows(const QString& sql, const QVariantList& params);
    QVector<QVector<QVariant>> readRows(QSqlQuery& q);
    // The row's page read again when it was dropped; false when it cannot be had.
    bool ensureRow(int row) const;
    void dropOldPages() const;
    QList<GridColumn> m_columns;
    QString m_sql;
    QVariantList m_params;
    QString m_key;           // keyed paging on this field; empty: pages by position
    bool m_static = false;   // rows given by showRows
    bool m_open = false;
    bool m_more = false;
    QStringList m_fieldNames;
    QHash<QString, int> m_fieldIndex; // lower-case name -> position
    mutable QVector<QVector<QVariant>> m_rows; // a dropped row is empty
    QVariant m_lastKey;                          // key of the last row read (keyed paging)
    QVector<QVariant> m_pageStart;               // per page: the key its reading starts after
    mutable QList<int> m_resident;               // pages in memory, oldest first
    QSet<int> m_editedPages;                     // never dropped: their edits live only here
    mutable bool m_dropped = false;              // some page was dropped since the result opened
    QHash<QString, double> m_sums;
    QString m_sortField;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::function<std::optional<QColor>(const GridModel&, int)> m_rowColor;
};

class DataGrid : public QWidget {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    GridModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }

    void setColumns(const QList<GridColumn>& columns);
    void setColumnWidths(const QList<int>& widths); // in column order
    // Rows grow in height to show all of their text (for grids of a few rows: staged lines).
    void setRowsFitText(bool on);
    void setColumnVisible(const QString& caption, bool visible);
    bool isColumnVisible(const QString& caption) const;
    QStringList captions() const;

    void open(const QString& sql, const QVariantList& params = {});
    void openKeyed(const QString& sql, const QVariantList& params, const QString& key);
    void openKeyed(const QString& sql, const QVariantList& params, const QString& key, const GridModel::Maker& make);
    void open(const QString& sql, const QVariantList& params, const GridModel::Maker& make);
    void showRows(const QStringList& fields, const QVector<QVector<QVariant>>& rows);
    void refresh();
    void clear();
    bool hasRows() const { return m_model->rowCount() > 0; }
    int rowCount() const { return m_model->rowCount(); }
    int currentRow() const;
    void setCurrentRow(int row);
    QVariant value(int row, const QString& field) const { return m_model->value(row, field); }
    QVariant currentValue(const QString& field) const;
    QString footerText(const QString& field) const;
    void setFooterVisible(bool on);
    void setSortingByClick(bool on);
    // Several rows may be chosen at once (Shift, Ctrl, Ctrl+A); the current row stays one.
    void setMultiSelect(bool on);
    // The chosen rows in row order: those selected, else the current one; none without rows.
    QList<int> chosenRows() const;
    void addContextAction(QAction* action);
    void refreshSums();
    void addToSum(const QString& field, double delta);
    // Ends an open cell editor, keeping what was typed in the row.
    void commitEdit();

signals:
    void rowLeft(int row);
    void entered();
    void cellClicked(int row);
    void cellDoubleClicked(int row);
    void mousePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyColumns();
    GridModel* m_model;
    QTableView* m_view;
    FooterBar* m_footer;
    QStyledItemDelegate* m_numberCells;
    int m_lastRow = -1;
    QAction* m_exportActions = nullptr; // the export and print actions stay last in the context menu
};
