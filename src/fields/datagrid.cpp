#include "fields/datagrid.h"

#include "data/DataConnect1_Unit.h"
#include "data/numbers.h"
#include "data/sql.h"
#include "ui/messages.h"
#include "fields/grid_export.h"
#include "security/rights.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QSqlRecord>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

// The footer row below the table: sums painted under their columns, following resizes and scrolling.
class FooterBar : public QWidget {
public:
    FooterBar(DataGrid* grid, QTableView* view) : QWidget(grid), m_grid(grid), m_view(view) {
        setFixedHeight(fontMetrics().height() + 8);
        connect(view->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { update(); });
        connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window().color().darker(105));
        p.setPen(palette().mid().color());
        p.drawLine(0, 0, width(), 0);
        p.setPen(palette().text().color());
        const QHeaderView* h = m_view->horizontalHeader();
        const int offset = m_view->verticalHeader()->isVisible() ? m_view->verticalHeader()->width() : 0;
        const auto& cols = m_grid->model()->columns();
        for (int c = 0; c < cols.size(); ++c) {
            if (cols[c].footer.isEmpty() || h->isSectionHidden(c)) continue;
            const QRect r(offset + m_view->frameWidth() + h->sectionViewportPosition(c), 0, h->sectionSize(c) - 4,
                          height());
            p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, m_grid->footerText(cols[c].field));
        }
    }

private:
    DataGrid* m_grid;
    QTableView* m_view;
};

// The editor of an editable number cell: digits, one decimal point, a leading minus, at most nine
// digits before the point and three after it.
class NumberCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* e = new QLineEdit(parent);
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d{0,9}(\\.\\d{0,3})?")), e));
        return e;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QVariant v = index.data(Qt::EditRole);
        static_cast<QLineEdit*>(editor)->setText(v.isNull() ? QString() : Numbers::format(v.toDouble(), QStringLiteral("0.###")));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
    }
};

// ---------------------------------------------------------------------------------------------

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setColumns(const QList<GridColumn>& columns) {
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

void GridModel::setSort(const QString& field, Qt::SortOrder order) {
    m_sortField = field;
    m_sortOrder = order;
}

void GridModel::setRowColor(std::function<std::optional<QColor>(const GridModel&, int)> rule) {
    m_rowColor = std::move(rule);
}

QString GridModel::page(QVariantList& params) const { return pageAt(params, m_rows.size(), m_lastKey, FetchChunk); }

QString GridModel::pageAt(QVariantList& params, qint64 offset, const QVariant& lastKey, int chunk) const {
    params = m_params;
    QString sql = QStringLiteral("SELECT * FROM (%1) AS g").arg(m_sql);
    const QString dir = m_sortOrder == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC");
    if (!m_key.isEmpty() && m_sortField.isEmpty()) {
        // Keyed: the next page starts after the last key read.
        if (offset > 0) {
            sql += QStringLiteral(" WHERE %1>?").arg(m_key);
            params << lastKey;
        }
        return sql + QStringLiteral(" ORDER BY %1 LIMIT %2").arg(m_key).arg(chunk);
    }
    if (!m_sortField.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + m_sortField + dir;
        if (!m_key.isEmpty()) sql += QStringLiteral(", ") + m_key;
    }
    return sql + QStringLiteral(" LIMIT %1 OFFSET %2").arg(chunk).arg(offset);
}

QVariantList GridModel::valuesInOrder(const QString& field) const {
    QString sql = QStringLiteral("SELECT %1 FROM (%2) AS g").arg(field, m_sql);
    // The order of the pages (see pageAt).
    if (!m_sortField.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + m_sortField +
               (m_sortOrder == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
        if (!m_key.isEmpty()) sql += QStringLiteral(", ") + m_key;
    } else if (!m_key.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + m_key;
    }
    QVariantList out;
    QSqlQuery q = Sql::run(sql, m_params);
    while (q.next()) out << q.value(0);
    return out;
}

void GridModel::dropResult() {
    m_rows.clear();
    m_lastKey = QVariant();
    m_pageStart.clear();
    m_resident.clear();
    m_editedPages.clear();
    m_dropped = false;
    m_sums.clear();
    m_open = false;
    m_more = false;
    m_static = false;
}

void GridModel::setFields(const QStringList& fields) {
    m_fieldNames = fields;
    m_fieldIndex.clear();
    for (int i = 0; i < fields.size(); ++i) m_fieldIndex.insert(fields[i].toLower(), i);
}

void GridModel::open(const QString& sql, const QVariantList& params) { start(sql, params, {}); }

void GridModel::openKeyed(const QString& sql, const QVariantList& params, const QString& key) {
    start(sql, params, key);
}

void GridModel::openKeyed(const QString& sql, const QVariantList& params, const QString& key, const Maker& make) {
    start(sql, params, key, make);
}

void GridModel::open(const QString& sql, const QVariantList& params, const Maker& make) { start(sql, params, {}, make); }

void GridModel::start(const QString& sql, const QVariantList& params, const QString& key, const Maker& make) {
    if (make) {
        startMade(sql, params, key, make);
        return;
    }
    beginResetModel();
    dropResult();
    m_sql = sql;
    m_params = params;
    m_key = key;
    m_fieldNames.clear();
    m_fieldIndex.clear();
    m_open = true;
    m_more = true;
    endResetModel();
    try {
        readPage();
        computeSums();
    } catch (...) {
        clear();
        throw;
    }
    emit loaded();
}

void GridModel::startMade(const QString& sql, const QVariantList& params, const QString& key, const Maker& make) {
    // The reads of the new result are built before the rows shown are let go: they go when its
    // first page is there.
    const QString shownSql = m_sql;
    const QVariantList shownParams = m_params;
    const QString shownKey = m_key;
    m_sql = sql;
    m_params = params;
    m_key = key;
    QList<Sql::Bound> reads(1);
    reads[0].sql = pageAt(reads[0].params, 0, QVariant(), FetchChunk);
    // On the file a statement costs no round trip: the sums are read, or added up from the rows
    // held, after the first page, as when the grid opens alone.
    const bool sumsRead = DataConnect1::onServer();
    if (sumsRead)
        if (const std::optional<Sql::Bound> sums = sumStatement(false)) reads << *sums;
    // The same statement again (a window's snapshot made anew) keeps its fields: asking a result
    // for them costs the server's driver a look-up of each new table, a round trip of its own.
    const bool sameFields = sql == shownSql && key == shownKey;
    bool reset = false;
    try {
        make(reads, [&](qsizetype i, QSqlQuery& q) {
            if (i == 0) {
                beginResetModel();
                dropResult();
                if (!sameFields) {
                    m_fieldNames.clear();
                    m_fieldIndex.clear();
                }
                m_open = true;
                m_more = true;
                reset = true;
                endResetModel();
                takePage(q);
            } else {
                takeSums(q);
            }
        });
    } catch (...) {
        if (reset) {
            clear();
        } else {
            m_sql = shownSql;
            m_params = shownParams;
            m_key = shownKey;
        }
        throw;
    }
    if (!sumsRead) {
        try {
            computeSums();
        } catch (...) {
            clear();
            throw;
        }
    }
    emit loaded();
}

void GridModel::showRows(const QStringList& fields, const QVector<QVector<QVariant>>& rows) {
    beginResetModel();
    dropResult();
    m_sql.clear();
    m_params.clear();
    m_key.clear();
    setFields(fields);
    m_rows = rows;
    m_static = true;
    m_open = true;
    endResetModel();
    sortRows();
    sumRows();
    emit loaded();
}

void GridModel::refresh() {
    if (m_open && !m_static) start(m_sql, m_params, m_key);
}

void GridModel::clear() {
    beginResetModel();
    dropResult();
    endResetModel();
}

void GridModel::refreshSums() {
    m_sums.clear();
    if (m_open) computeSums();
}

std::optional<Sql::Bound> GridModel::sumStatement(bool fieldsKnown) {
    // Before the first page the result's fields are not known yet: every summed column is asked.
    QStringList exprs;
    m_sumFields.clear();
    for (const GridColumn& c : m_columns) {
        if (c.footer.isEmpty() || (fieldsKnown && !hasField(c.field))) continue;
        exprs << QStringLiteral("SUM(%1)").arg(c.field);
        m_sumFields << c.field.toLower();
    }
    if (exprs.isEmpty()) return std::nullopt;
    return Sql::Bound{QStringLiteral("SELECT %1 FROM (%2) AS s").arg(exprs.join(','), m_sql), m_params};
}

void GridModel::takeSums(QSqlQuery& q) {
    if (q.next())
        for (int i = 0; i < m_sumFields.size(); ++i) m_sums.insert(m_sumFields[i], q.value(i).toDouble());
}

void GridModel::computeSums() {
    std::optional<Sql::Bound> s = sumStatement(true);
    if (!s) return;
    if (!m_more && !m_dropped) { // every row is read and held already: no statement needed
        sumRows();
        return;
    }
    QSqlQuery q = Sql::run(s->sql, s->params);
    takeSums(q);
}

void GridModel::sumRows() {
    m_sums.clear();
    for (const GridColumn& c : m_columns) {
        const int i = m_fieldIndex.value(c.field.toLower(), -1);
        if (c.footer.isEmpty() || i < 0) continue;
        double total = 0;
        for (const auto& r : m_rows) total += r[i].toDouble();
        m_sums.insert(c.field.toLower(), total);
    }
}

bool GridModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && m_more; }

void GridModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || !m_more) return;
    // Asked by the view while scrolling: a failing page ends the fetching with the error shown.
    if (!guarded(nullptr, [&] { readPage(); })) m_more = false;
}

QVector<QVector<QVariant>> GridModel::readRows(const QString& sql, const QVariantList& params) {
    QSqlQuery q = Sql::run(sql, params);
    return readRows(q);
}

QVector<QVector<QVariant>> GridModel::readRows(QSqlQuery& q) {
    QVector<QVector<QVariant>> rows;
    if (m_fieldNames.isEmpty()) {
        const QSqlRecord rec = q.record();
        QStringList fields;
        for (int i = 0; i < rec.count(); ++i) fields << rec.fieldName(i);
        setFields(fields);
    }
    const int n = m_fieldNames.size();
    while (q.next()) {
        QVector<QVariant> row(n);
        for (int i = 0; i < n; ++i) row[i] = q.value(i);
        rows.append(std::move(row));
    }
    return rows; // the statement is finished here, before any row is shown
}

void GridModel::readPage() {
    QVariantList params;
    const QString sql = page(params);
    QSqlQuery q = Sql::run(sql, params);
    takePage(q);
}

void GridModel::takePage(QSqlQuery& q) {
    const QVariant startAfter = m_lastKey;
    QVector<QVector<QVariant>> batch = readRows(q);
    if (batch.size() < FetchChunk) m_more = false;
    if (batch.isEmpty()) return;
    m_pageStart.append(startAfter);
    if (!m_key.isEmpty()) m_lastKey = batch.last().value(m_fieldIndex.value(m_key.toLower(), -1));
    beginInsertRows({}, m_rows.size(), m_rows.size() + batch.size() - 1);
    m_rows += batch;
    endInsertRows();
    m_resident.append(int(m_pageStart.size()) - 1);
    dropOldPages();
}

void GridModel::dropOldPages() const {
    if (m_static) return;
    // The newest pages stay; the page being read again or shown is always among them.
    for (int i = 0; m_resident.size() > ResidentPages && i < m_resident.size() - 1;) {
        const int p = m_resident[i];
        if (m_editedPages.contains(p)) {
            ++i;
            continue;
        }
        m_resident.removeAt(i);
        const int end = std::min<int>(int(m_rows.size()), (p + 1) * FetchChunk);
        for (int r = p * FetchChunk; r < end; ++r) m_rows[r] = QVector<QVariant>();
        m_dropped = true;
    }
}

bool GridModel::ensureRow(int row) const {
    if (row < 0 || row >= m_rows.size()) return false;
    if (!m_rows[row].isEmpty() || m_static || !m_open) return !m_rows[row].isEmpty();
    const int p = row / FetchChunk;
    try {
        QVariantList params;
        const QString sql = pageAt(params, qint64(p) * FetchChunk, m_pageStart.value(p), FetchChunk);
        const QVector<QVector<QVariant>> rows = const_cast<GridModel*>(this)->readRows(sql, params);
        const int end = std::min<int>(int(m_rows.size()), p * FetchChunk + int(rows.size()));
        for (int r = p * FetchChunk; r < end; ++r) m_rows[r] = rows[r - p * FetchChunk];
    } catch (const DbError&) {
        return false; // shown empty; the next look reads it again
    }
    m_resident.append(p);
    dropOldPages();
    return !m_rows[row].isEmpty();
}

void GridModel::fetchAll() {
    while (m_more) readPage();
}

bool GridModel::readPages(int pageSize, const std::function<bool(const GridModel&)>& each) const {
    GridModel page;
    page.m_columns = m_columns;
    page.m_rowColor = m_rowColor;
    page.setFields(m_fieldNames);
    page.m_static = true;
    page.m_open = true;
    for (qsizetype from = 0; from < m_rows.size(); from += pageSize) {
        page.m_rows.clear();
        // A dropped row is read again right before it is taken (its page stays while it is copied).
        for (qsizetype r = from; r < std::min(from + pageSize, m_rows.size()); ++r)
            if (ensureRow(int(r))) page.m_rows.append(m_rows[r]);
            else throw DbError(QStringLiteral("无法再次读取第 %1 行").arg(r + 1));
        if (!each(page)) return false;
    }
    if (!m_more) return true;

    // The rest comes a keyed page at a time. A sorted or unnumbered result would cost a sort or
    // a scan for every page: its rows are first numbered in their order into a temporary copy by
    // one statement (also one consistent view of them), dropped when done.
    GridModel numbered;
    const GridModel* source = this;
    qint64 offset = m_rows.size();
    QVariant last;
    const QString copy = QStringLiteral("grid_export_rows");
    struct DropCopy {
        QString table;
        ~DropCopy() {
            if (table.isEmpty()) return;
            try {
                Sql::run(DataConnect1::dropSnapshotStatement(table));
            } catch (const DbError&) {
                // the connection is gone, and the copy with it
            }
        }
    } dropCopy;
    if (m_key.isEmpty() || !m_sortField.isEmpty()) {
        QString order;
        if (!m_sortField.isEmpty()) {
            order = m_sortField + (m_sortOrder == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
            if (!m_key.isEmpty()) order += QStringLiteral(", ") + m_key;
        }
        DataConnect1::makeSnapshot(copy, m_sql, order, m_params);
        dropCopy.table = copy;
        numbered.m_sql = QStringLiteral("SELECT %1 AS grid_export_row, * FROM %2").arg(DataConnect1::snapshotKey(), copy);
        numbered.m_key = QStringLiteral("grid_export_row");
        source = &numbered;
        last = offset; // the copy numbers its rows from 1, the loaded ones come first
    } else if (!m_rows.isEmpty()) {
        last = m_lastKey;
    }
    for (;;) {
        page.m_rows.clear();
        {
            QVariantList params;
            QSqlQuery q = Sql::run(source->pageAt(params, offset, last, pageSize), params);
            const QSqlRecord rec = q.record();
            QStringList fields;
            for (int i = 0; i < rec.count(); ++i) fields << rec.fieldName(i);
            page.setFields(fields);
            while (q.next()) {
                QVector<QVariant> row(fields.size());
                for (int i = 0; i < fields.size(); ++i) row[i] = q.value(i);
                page.m_rows.append(std::move(row));
            }
        } // finished before the page is handed on
        if (page.m_rows.isEmpty()) return true;
        if (!each(page)) return false;
        if (page.m_rows.size() < pageSize) return true;
        offset += page.m_rows.size();
        last = page.value(int(page.m_rows.size()) - 1, source->m_key);
    }
}

qint64 GridModel::resultCount() const {
    if (!m_open) return 0;
    if (m_static || !m_more) return m_rows.size();
    QSqlQuery q = Sql::run(QStringLiteral("SELECT COUNT(*) FROM (%1) AS c").arg(m_sql), m_params);
    return q.next() ? q.value(0).toLongLong() : 0;
}

std::optional<QColor> GridModel::rowColor(int row) const {
    if (!m_rowColor || row < 0 || row >= m_rows.size()) return std::nullopt;
    return m_rowColor(*this, row);
}

QVariant GridModel::value(int row, const QString& field) const {
    if (!ensureRow(row)) return {};
    const auto it = m_fieldIndex.constFind(field.toLower());
    return it == m_fieldIndex.constEnd() ? QVariant() : m_rows[row][*it];
}

void GridModel::setValue(int row, const QString& field, const QVariant& v) {
    const auto it = m_fieldIndex.constFind(field.toLower());
    if (it == m_fieldIndex.constEnd() || !ensureRow(row)) return;
    m_rows[row][*it] = v;
    m_editedPages.insert(row / FetchChunk);
    const int col = [&] {
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_columns[c].field.compare(field, Qt::CaseInsensitive) == 0) return c;
        return -1;
    }();
    if (col >= 0) emit dataChanged(index(row, col), index(row, col));
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.size(); }
int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns.size(); }

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const GridColumn& c = m_columns[index.column()];
    const QVariant v = value(index.row(), c.field);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (c.checkBox) return {};
        if (!c.format.isEmpty() && !v.isNull() && role == Qt::DisplayRole) return Numbers::format(v.toDouble(), c.format);
        return v;
    case Qt::CheckStateRole:
        if (c.checkBox) return v.toBool() ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ForegroundRole:
        if (auto color = rowColor(index.row())) return *color;
        return {};
    case Qt::TextAlignmentRole: {
        const QMetaType::Type t = QMetaType::Type(v.typeId());
        if (t == QMetaType::Double || t == QMetaType::Int || t == QMetaType::LongLong)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& v, int role) {
    if (!index.isValid()) return false;
    const GridColumn& c = m_columns[index.column()];
    if (c.checkBox && role == Qt::CheckStateRole) {
        setValue(index.row(), c.field, v.toInt() == Qt::Checked);
    } else if (c.editable && !c.checkBox && role == Qt::EditRole) {
        QVariant stored = v;
        if (v.toString().trimmed().isEmpty()) stored = QVariant();
        else if (auto n = Numbers::parse(v.toString()); n && std::fabs(*n) <= MaxNumber) stored = Numbers::round3(*n);
        else return false;
        // A summed column's footer follows the edit at once, before it is written anywhere.
        if (!c.footer.isEmpty() && m_sums.contains(c.field.toLower()))
            m_sums[c.field.toLower()] += stored.toDouble() - value(index.row(), c.field).toDouble();
        setValue(index.row(), c.field, stored);
    } else {
        return false;
    }
    emit edited(index.row());
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && section < m_columns.size()) {
        if (role == Qt::DisplayRole) return m_columns[section].caption;
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    }
    if (o == Qt::Vertical && role == Qt::DisplayRole) return QString();
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.isValid()) {
        const GridColumn& c = m_columns[index.column()];
        // A check box is ticked by its box alone: no text editor opens on it (one opened by Tab
        // wrote its text into the tick when it closed).
        if (c.checkBox) f |= Qt::ItemIsUserCheckable;
        else if (c.editable) f |= Qt::ItemIsEditable;
    }
    return f;
}

void GridModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= m_columns.size()) return;
    setSort(m_columns[column].field, order);
    if (m_static) sortRows();
    else if (m_open) start(m_sql, m_params, m_key);
}

void GridModel::sortRows() {
    const int i = m_fieldIndex.value(m_sortField.toLower(), -1);
    if (i < 0) return;
    const bool up = m_sortOrder == Qt::AscendingOrder;
    beginResetModel();
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const QVector<QVariant>& a, const QVector<QVariant>& b) {
        const QPartialOrdering c = QVariant::compare(a[i], b[i]);
        return up ? c == QPartialOrdering::Less : c == QPartialOrdering::Greater;
    });
    endResetModel();
}

// A selected row keeps the red or blue of its text, on a light selection ground it stays legible on.
class KeepColours : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant fg = index.data(Qt::ForegroundRole);
        if (!fg.isValid() || !(option->state & QStyle::State_Selected)) return;
        const QColor c = fg.value<QColor>();
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            option->palette.setColor(group, QPalette::HighlightedText, c);
            option->palette.setColor(group, QPalette::Highlight, QColor(0xcc, 0xe4, 0xf7));
        }
    }
};

// ---------------------------------------------------------------------------------------------

DataGrid::DataGrid(QWidget* parent) : QWidget(parent) {
    m_model = new GridModel(this);
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_numberCells = new NumberCellDelegate(this);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_view->setWordWrap(true);
    m_view->setItemDelegate(new KeepColours(m_view));
    m_view->verticalHeader()->setFixedWidth(12); // row indicator
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 8);
    m_view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    m_footer = new FooterBar(this, m_view);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(m_view);
    lay->addWidget(m_footer);
    m_footer->setVisible(false);
    connect(m_model, &GridModel::loaded, this, [this] {
        m_lastRow = -1;
        m_footer->update();
        if (m_model->rowCount() > 0) setCurrentRow(0);
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_footer->update(); });
    connect(m_model, &GridModel::edited, m_footer, qOverload<>(&QWidget::update));
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                if (before.isValid() && before.row() != now.row()) emit rowLeft(before.row());
                m_lastRow = now.row();
            });
    connect(m_view, &QTableView::clicked, this, [this](const QModelIndex& i) { emit cellClicked(i.row()); });
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { emit cellDoubleClicked(i.row()); });
    m_exportActions = GridExport::attach(this);
}

void DataGrid::setRowsFitText(bool on) {
    m_view->verticalHeader()->setSectionResizeMode(on ? QHeaderView::ResizeToContents : QHeaderView::Interactive);
}

namespace {
// Price and amount columns of a user without "查看价格" are hidden, and so left out of every
// export and printout of the grid. Without a database (nothing to show) they stay.
bool pricesHidden() {
    try {
        return Sql::db().isOpen() && !Rights::seesPrices();
    } catch (const DbError&) {
        return false;
    }
}
} // namespace

void DataGrid::setColumns(const QList<GridColumn>& given) {
    QList<GridColumn> columns = given;
    if (pricesHidden())
        for (GridColumn& c : columns)
            if (Rights::isPriceField(c.field)) c.visible = false;
    m_model->setColumns(columns);
    bool footer = false;
    for (const GridColumn& c : columns) footer = footer || !c.footer.isEmpty();
    m_footer->setVisible(footer);
    applyColumns();
}

void DataGrid::applyColumns() {
    const auto& cols = m_model->columns();
    for (int c = 0; c < cols.size(); ++c) {
        if (cols[c].width > 0) m_view->setColumnWidth(c, cols[c].width);
        if (cols[c].editable && !cols[c].checkBox) m_view->setItemDelegateForColumn(c, m_numberCells);
        else m_view->setItemDelegateForColumn(c, nullptr);
        m_view->setColumnHidden(c, !cols[c].visible);
    }
}

void DataGrid::setColumnWidths(const QList<int>& widths) {
    for (int c = 0; c < widths.size() && c < m_model->columnCount(); ++c) m_view->setColumnWidth(c, widths[c]);
}

void DataGrid::setColumnVisible(const QString& caption, bool visible) {
    const auto& cols = m_model->columns();
    for (int c = 0; c < cols.size(); ++c)
        if (cols[c].caption == caption)
            m_view->setColumnHidden(c, !visible || (Rights::isPriceField(cols[c].field) && pricesHidden()));
    m_footer->update();
}

bool DataGrid::isColumnVisible(const QString& caption) const {
    const auto& cols = m_model->columns();
    for (int c = 0; c < cols.size(); ++c)
        if (cols[c].caption == caption) return !m_view->isColumnHidden(c);
    return false;
}

QStringList DataGrid::captions() const {
    QStringList l;
    for (const GridColumn& c : m_model->columns()) l << c.caption;
    return l;
}

namespace {
// Runs a (re)load of the grid with its painting suspended.
void suspended(QWidget* w, const std::function<void()>& load) {
    w->setUpdatesEnabled(false);
    try {
        load();
    } catch (...) {
        w->setUpdatesEnabled(true);
        throw;
    }
    w->setUpdatesEnabled(true);
}
} // namespace

void DataGrid::open(const QString& sql, const QVariantList& params) {
    suspended(this, [&] { m_model->open(sql, params); });
}

void DataGrid::open(const QString& sql, const QVariantList& params, const GridModel::Maker& make) {
    suspended(this, [&] { m_model->open(sql, params, make); });
}

void DataGrid::openKeyed(const QString& sql, const QVariantList& params, const QString& key) {
    suspended(this, [&] { m_model->openKeyed(sql, params, key); });
}

void DataGrid::openKeyed(const QString& sql, const QVariantList& params, const QString& key, const GridModel::Maker& make) {
    suspended(this, [&] { m_model->openKeyed(sql, params, key, make); });
}

void DataGrid::showRows(const QStringList& fields, const QVector<QVector<QVariant>>& rows) {
    m_model->showRows(fields, rows);
}

void DataGrid::refresh() {
    suspended(this, [&] { m_model->refresh(); });
}

void DataGrid::clear() { m_model->clear(); }

int DataGrid::currentRow() const {
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void DataGrid::setCurrentRow(int row) {
    if (row >= 0 && row < m_model->rowCount()) m_view->setCurrentIndex(m_model->index(row, 0));
}

QVariant DataGrid::currentValue(const QString& field) const { return m_model->value(currentRow(), field); }

QString DataGrid::footerText(const QString& field) const {
    for (const GridColumn& c : m_model->columns())
        if (c.field.compare(field, Qt::CaseInsensitive) == 0 && !c.footer.isEmpty())
            return Numbers::format(m_model->sum(field), c.footer);
    return {};
}

void DataGrid::setFooterVisible(bool on) { m_footer->setVisible(on); }

void DataGrid::setSortingByClick(bool on) {
    m_view->setSortingEnabled(on);
    m_view->horizontalHeader()->setSortIndicatorShown(on);
}

void DataGrid::addContextAction(QAction* action) { m_view->insertAction(m_exportActions, action); }

void DataGrid::setMultiSelect(bool on) {
    m_view->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

QList<int> DataGrid::chosenRows() const {
    QList<int> rows;
    for (const QModelIndex& i : m_view->selectionModel()->selectedRows()) rows << i.row();
    if (rows.isEmpty() && currentRow() >= 0) rows << currentRow();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DataGrid::addToSum(const QString& field, double delta) {
    m_model->addToSum(field, delta);
    m_footer->update();
}

void DataGrid::refreshSums() {
    m_model->refreshSums();
    m_footer->update();
}

void DataGrid::commitEdit() {
    // A cell editor is the focused child of the table's viewport.
    QWidget* editor = QApplication::focusWidget();
    if (!editor || editor->parentWidget() != m_view->viewport()) return;
    QAbstractItemDelegate* d = m_view->itemDelegateForIndex(m_view->currentIndex());
    emit d->commitData(editor);
    emit d->closeEditor(editor);
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::FocusIn) emit entered();
    if (watched == m_view->viewport() && event->type() == QEvent::MouseButtonPress) {
        emit mousePressed();
        if (!m_view->hasFocus()) emit entered(); // a click, also the right click, enters the grid
    }
    return QWidget::eventFilter(watched, event);
}

QList<GridColumn> stockKeyColumns() {
    return {{"warehouse_name", "仓库", 80}, {"item_code", "项目代码", 80}, {"item_name", "项目名称", 130},
            {"attr_name", "属性", 70},       {"size_name", "尺寸", 60},     {"stage_name", "等级", 60}};
}
