#include "import/AA50_Unit.h"

#include "data/sql.h"
#include "fields/datagrid.h"
#include "ui/messages.h"
#include "ui/screens.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString NotImported = QStringLiteral("（不导入）");

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}
} // namespace

TAA50_form::TAA50_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAA50_form"));
    setWindowTitle(QStringLiteral("数据导入"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    resize(860, 600);

    kind_a = new QComboBox(this);
    kind_a->setObjectName(QStringLiteral("kind_a"));
    for (Import::Kind k : Import::kinds()) kind_a->addItem(Import::kindName(k), int(k));
    file_a = new QLineEdit(this);
    file_a->setObjectName(QStringLiteral("file_a"));
    file_a->setReadOnly(true);
    encoding_a = new QComboBox(this);
    encoding_a->setObjectName(QStringLiteral("encoding_a"));
    encoding_a->addItem(QStringLiteral("自动识别"), int(Import::Encoding::Auto));
    encoding_a->addItem(QStringLiteral("UTF-8"), int(Import::Encoding::Utf8));
    encoding_a->addItem(QStringLiteral("GB18030（GBK）"), int(Import::Encoding::Gb18030));
    auto_create_a = new QCheckBox(QStringLiteral("自动新增分类/单位"), this);
    auto_create_a->setObjectName(QStringLiteral("auto_create_a"));
    existing_a = new QComboBox(this);
    existing_a->setObjectName(QStringLiteral("existing_a"));
    existing_a->addItems({QStringLiteral("跳过"), QStringLiteral("更新")});
    count_mode_a = new QComboBox(this);
    count_mode_a->setObjectName(QStringLiteral("count_mode_a"));
    count_mode_a->addItems({QStringLiteral("累加到已盘数量"), QStringLiteral("替换已盘数量")});
    BitBtn1 = button(this, "BitBtn1", QStringLiteral("选择文件…"));

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("导入内容："), this), 0, 0);
    top->addWidget(kind_a, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("文件："), this), 0, 2);
    top->addWidget(file_a, 0, 3);
    top->addWidget(BitBtn1, 0, 4);
    top->addWidget(new QLabel(QStringLiteral("CSV 编码："), this), 1, 0);
    top->addWidget(encoding_a, 1, 1);
    top->addWidget(auto_create_a, 1, 3);
    auto* existingRow = new QHBoxLayout;
    existingRow->addWidget(new QLabel(QStringLiteral("已存在的记录："), this));
    existingRow->addWidget(existing_a);
    existingRow->addWidget(count_mode_a);
    top->addLayout(existingRow, 1, 4);
    top->setColumnStretch(3, 1);

    mapping_a = new QTableWidget(0, 2, this);
    mapping_a->setObjectName(QStringLiteral("mapping_a"));
    mapping_a->setHorizontalHeaderLabels({QStringLiteral("导入项目"), QStringLiteral("文件中的列")});
    mapping_a->horizontalHeader()->setStretchLastSection(true);
    mapping_a->verticalHeader()->hide();
    mapping_a->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mapping_a->setMaximumWidth(300);

    problems_a = new DataGrid(this);
    problems_a->setObjectName(QStringLiteral("problems_a"));
    problems_a->setColumns({{"row", "行", 50}, {"column", "列", 100}, {"value", "内容", 140}, {"message", "问题", 300}});
    problems_a->setFooterVisible(false);

    auto* middle = new QHBoxLayout;
    middle->addWidget(mapping_a);
    middle->addWidget(problems_a, 1);

    counts_a = new QLabel(this);
    counts_a->setObjectName(QStringLiteral("counts_a"));
    progress_a = new QProgressBar(this);
    progress_a->setObjectName(QStringLiteral("progress_a"));
    progress_a->setRange(0, 100);
    progress_a->setValue(0);
    BitBtn2 = button(this, "BitBtn2", QStringLiteral("检查"));
    BitBtn3 = button(this, "BitBtn3", QStringLiteral("导入"));
    BitBtn4 = button(this, "BitBtn4", QStringLiteral("导出模板"));
    BitBtn5 = button(this, "BitBtn5", QStringLiteral("取消"));
    BitBtn6 = button(this, "BitBtn6", QStringLiteral("关闭"));
    BitBtn3->setEnabled(false);
    BitBtn5->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(counts_a, 1);
    bottom->addWidget(progress_a);
    bottom->addWidget(BitBtn5);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn4);
    buttons->addStretch();
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn6);

    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addLayout(middle, 1);
    v->addLayout(bottom);
    v->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, &TAA50_form::chooseFile);
    connect(BitBtn2, &QPushButton::clicked, this, &TAA50_form::checkFile);
    connect(BitBtn3, &QPushButton::clicked, this, &TAA50_form::importFile);
    connect(BitBtn4, &QPushButton::clicked, this, &TAA50_form::exportTemplate);
    connect(BitBtn5, &QPushButton::clicked, this, [this] { m_cancel = true; });
    connect(BitBtn6, &QPushButton::clicked, this, &QDialog::reject);
    connect(kind_a, &QComboBox::currentIndexChanged, this, [this] {
        m_layout = Import::detect(kind(), m_sheet);
        showMapping();
        const bool counts = kind() == Import::Kind::CountSheet;
        count_mode_a->setVisible(counts);
        existing_a->setVisible(!counts);
    });
    connect(encoding_a, &QComboBox::currentIndexChanged, this, [this] {
        if (!file_a->text().isEmpty()) readFile();
    });
    connect(auto_create_a, &QCheckBox::toggled, this, &TAA50_form::invalidate);
    connect(existing_a, &QComboBox::currentIndexChanged, this, &TAA50_form::invalidate);
    connect(count_mode_a, &QComboBox::currentIndexChanged, this, &TAA50_form::invalidate);
    count_mode_a->hide();
    showMapping();
}

Import::Kind TAA50_form::kind() const { return Import::Kind(kind_a->currentData().toInt()); }

Import::Options TAA50_form::options() const {
    Import::Options o;
    o.autoCreate = auto_create_a->isChecked();
    o.update = existing_a->currentIndex() == 1;
    o.replaceCounts = count_mode_a->currentIndex() == 1;
    return o;
}

void TAA50_form::invalidate() {
    m_checked = false;
    BitBtn3->setEnabled(false);
}

void TAA50_form::chooseFile() {
    const QString path = Msg::seam().chooseOpenFile(this, QStringLiteral("选择导入文件"),
                                                    QStringLiteral("表格文件 (*.xlsx *.ods *.csv *.txt)"));
    if (path.isEmpty()) return;
    file_a->setText(path);
    readFile();
}

bool TAA50_form::readFile() {
    invalidate();
    problems_a->clear();
    counts_a->clear();
    try {
        m_sheet = Import::read(file_a->text(), Import::Encoding(encoding_a->currentData().toInt()));
    } catch (const Import::FileError& e) {
        m_sheet = {};
        m_layout = {};
        showMapping();
        Msg::error(this, e.text());
        return false;
    }
    m_layout = Import::detect(kind(), m_sheet);
    showMapping();
    return true;
}

void TAA50_form::showMapping() {
    invalidate();
    const QList<Import::Field> fs = Import::fields(kind());
    mapping_a->setRowCount(int(fs.size()));
    QStringList choices{NotImported};
    for (int c = 0; c < m_layout.header.size(); ++c)
        choices << (m_layout.header[c].trimmed().isEmpty() ? QStringLiteral("第 %1 列").arg(c + 1) : m_layout.header[c]);
    for (int i = 0; i < fs.size(); ++i) {
        auto* item = new QTableWidgetItem(fs[i].caption + (fs[i].required ? QStringLiteral(" *") : QString()));
        item->setData(Qt::UserRole, fs[i].key);
        mapping_a->setItem(i, 0, item);
        auto* box = new QComboBox(mapping_a);
        box->setObjectName(QStringLiteral("map_") + fs[i].key);
        box->addItems(choices);
        box->setCurrentIndex(m_layout.column(fs[i].key) + 1);
        connect(box, &QComboBox::currentIndexChanged, this, &TAA50_form::invalidate);
        mapping_a->setCellWidget(i, 1, box);
    }
    mapping_a->resizeColumnToContents(0);
}

Import::Layout TAA50_form::chosenLayout() const {
    Import::Layout l = m_layout;
    l.columns.clear();
    for (int i = 0; i < mapping_a->rowCount(); ++i) {
        const auto* box = qobject_cast<QComboBox*>(mapping_a->cellWidget(i, 1));
        if (box && box->currentIndex() > 0)
            l.columns.insert(mapping_a->item(i, 0)->data(Qt::UserRole).toString(), box->currentIndex() - 1);
    }
    return l;
}

void TAA50_form::setWorking(bool on) {
    m_working = on;
    m_cancel = false;
    for (QWidget* w : QList<QWidget*>{kind_a, encoding_a, auto_create_a, existing_a, count_mode_a, mapping_a, BitBtn1, BitBtn2,
                                      BitBtn4, BitBtn6})
        w->setEnabled(!on);
    BitBtn3->setEnabled(!on && m_checked);
    BitBtn5->setEnabled(on);
    if (on) progress_a->setValue(0);
}

Import::Progress TAA50_form::progress() {
    return [this](int done, int total) {
        progress_a->setValue(total > 0 ? done * 100 / total : 100);
        QApplication::processEvents();
        return !m_cancel;
    };
}

void TAA50_form::showCheck(const Import::Check& c) {
    QVector<QVector<QVariant>> rows;
    rows.reserve(c.problems.size());
    for (const Import::Problem& p : c.problems)
        rows.append({p.row > 0 ? QVariant(p.row) : QVariant(), p.column, p.value, p.message});
    problems_a->showRows({"row", "column", "value", "message"}, rows);
    counts_a->setText(QStringLiteral("新增 %1 条，修改 %2 条，不变 %3 条%4%5")
                          .arg(c.counts.added)
                          .arg(c.counts.changed)
                          .arg(c.counts.unchanged)
                          .arg(c.counts.masters ? QStringLiteral("，另新增分类/单位等 %1 个").arg(c.counts.masters) : QString())
                          .arg(c.ok() ? QString() : QStringLiteral("；%1 个问题，请改正后再检查").arg(c.problems.size())));
}

void TAA50_form::checkFile() {
    if (file_a->text().isEmpty()) {
        Msg::notice(this, QStringLiteral("请选择导入文件"));
        return;
    }
    // The file as it stands now: the user may have corrected it since it was chosen.
    const Import::Layout chosen = chosenLayout();
    const QStringList oldHeader = m_layout.header;
    if (!readFile()) return;
    if (m_layout.header == oldHeader) {
        m_layout.columns = chosen.columns;
        showMapping();
    }
    setWorking(true);
    Import::Check c;
    bool finished = false;
    guarded(this, [&] {
        try {
            c = Import::check(kind(), m_sheet, chosenLayout(), options(), progress());
            finished = true;
        } catch (const Import::Cancelled&) {
        }
    });
    m_checked = finished && c.ok();
    setWorking(false);
    if (finished) showCheck(c);
    else counts_a->setText(QStringLiteral("检查已取消"));
}

void TAA50_form::importFile() {
    if (!m_checked) return;
    if (!Msg::confirm(this, QStringLiteral("导入 %1 条%2记录？").arg(m_sheet.rows.size() - m_layout.headerRow - 1).arg(kind_a->currentText())))
        return;
    setWorking(true);
    Import::Check c;
    bool finished = false;
    guarded(this, [&] {
        try {
            c = Import::run(kind(), m_sheet, chosenLayout(), options(), progress());
            finished = true;
        } catch (const Import::Cancelled&) {
        }
    });
    m_checked = false;
    setWorking(false);
    if (!finished) {
        counts_a->setText(QStringLiteral("导入已取消，没有写入任何记录"));
        return;
    }
    showCheck(c);
    if (c.ok())
        Msg::dravont(this, QStringLiteral("导入完成：新增 %1 条，修改 %2 条，不变 %3 条。")
                               .arg(c.counts.added)
                               .arg(c.counts.changed)
                               .arg(c.counts.unchanged));
}

void TAA50_form::exportTemplate() {
    const QString path = Msg::chooseSaveFile(this, QStringLiteral("导出模板"), kind_a->currentText() + QStringLiteral("模板.xlsx"),
                                             QStringLiteral("Excel 文件 (*.xlsx)"));
    if (path.isEmpty()) return;
    QString error;
    if (!Import::writeTemplate(kind(), path, &error)) Msg::error(this, error);
    else Msg::dravont(this, QStringLiteral("模板已保存到 %1").arg(QFileInfo(path).fileName()));
}
