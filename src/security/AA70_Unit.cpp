#include "security/AA70_Unit.h"

#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/form_helpers.h"
#include "security/accounts.h"
#include "security/audit.h"
#include "security/commands.h"
#include "security/rights.h"
#include "ui/messages.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString Command = QStringLiteral("AA70");

// One "key: value" line per field; a field whose value differs on the other side is marked "*".
QString sideText(const QString& json, const QString& other) {
    const QJsonDocument d = QJsonDocument::fromJson(json.toUtf8());
    if (!d.isObject()) return json;
    const QJsonObject o = d.object();
    const QJsonObject p = QJsonDocument::fromJson(other.toUtf8()).object();
    QStringList lines;
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QJsonValue v = it.value();
        const QString value = v.isArray() || v.isObject()
                                  ? QString::fromUtf8(v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                                                                  : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact))
                                  : v.toVariant().toString();
        const bool differs = !other.isEmpty() && p.value(it.key()) != it.value();
        lines << QStringLiteral("%1%2: %3").arg(differs ? QStringLiteral("* ") : QString(), it.key(), value);
    }
    return lines.join('\n');
}
} // namespace

TAA70_form::TAA70_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAA70_form"));
    setWindowTitle(QStringLiteral("操作日志"));
    resize(960, 620);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(Forms::heading(this, QStringLiteral("操 作 日 志")));
    auto* filters = new QGridLayout;
    outer->addLayout(filters);
    date_from = new DatePicker(this);
    date_from->setObjectName(QStringLiteral("date_from"));
    date_from->setDate(QDate::currentDate().addDays(-30));
    date_to = new DatePicker(this);
    date_to->setObjectName(QStringLiteral("date_to"));
    date_to->setToday();
    login_id_a = new QLineEdit(this);
    login_id_a->setObjectName(QStringLiteral("login_id_a"));
    command_a = new QComboBox(this);
    command_a->setObjectName(QStringLiteral("command_a"));
    command_a->addItem(QString(), QString());
    for (const Commands::Command& c : Commands::all()) command_a->addItem(c.code + QLatin1Char(' ') + c.caption, c.code);
    command_a->addItem(QStringLiteral("登录"), Accounts::LoginCommand);
    command_a->addItem(QStringLiteral("登录失败"), Accounts::FailedLoginCommand);
    table_a = new QLineEdit(this);
    table_a->setObjectName(QStringLiteral("table_a"));
    bill_no_a = new QLineEdit(this);
    bill_no_a->setObjectName(QStringLiteral("bill_no_a"));
    const QList<QPair<QString, QWidget*>> fields = {{QStringLiteral("起始日期："), date_from}, {QStringLiteral("终止日期："), date_to},
                                                    {QStringLiteral("用户代码："), login_id_a}, {QStringLiteral("功能："), command_a},
                                                    {QStringLiteral("数据表："), table_a}, {QStringLiteral("单据号："), bill_no_a}};
    for (int i = 0; i < fields.size(); ++i) {
        filters->addWidget(Forms::caption(fields[i].first, this), i / 3, (i % 3) * 2);
        filters->addWidget(fields[i].second, i / 3, (i % 3) * 2 + 1);
    }
    auto* query = new QPushButton(QStringLiteral("查询"), this);
    query->setObjectName(QStringLiteral("Cmd_Query"));
    query->setDefault(true);
    filters->addWidget(query, 0, 6);
    auto* close = new QPushButton(QStringLiteral("&关闭"), this);
    close->setObjectName(QStringLiteral("Cmd_Exit"));
    filters->addWidget(close, 1, 6);
    connect(query, &QPushButton::clicked, this, &TAA70_form::query);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"时间", "时间", 130},
                         {"操作员", "操作员", 70},
                         {"计算机", "计算机", 90},
                         {"命令", "功能", 60},
                         {"数据表", "数据表", 120},
                         {"关键字", "关键字", 90},
                         {"单据号", "单据号", 90},
                         {"修改前", "修改前", 200},
                         {"修改后", "修改后", 200}});
    outer->addWidget(DBGrid1, 3);
    auto* sides = new QHBoxLayout;
    before_text = new QPlainTextEdit(this);
    before_text->setObjectName(QStringLiteral("before_text"));
    after_text = new QPlainTextEdit(this);
    after_text->setObjectName(QStringLiteral("after_text"));
    for (auto [caption, box] : {std::pair{QStringLiteral("修改前"), before_text}, std::pair{QStringLiteral("修改后"), after_text}}) {
        auto* column = new QVBoxLayout;
        column->addWidget(new QLabel(caption, this));
        box->setReadOnly(true);
        column->addWidget(box);
        sides->addLayout(column);
    }
    outer->addLayout(sides, 1);
    connect(DBGrid1, &DataGrid::cellClicked, this, &TAA70_form::showRow);
    connect(DBGrid1, &DataGrid::rowLeft, this, [this](int) { showRow(DBGrid1->currentRow()); });
}

void TAA70_form::query() {
    Audit::Filter f;
    f.from = date_from->dateText();
    f.to = date_to->dateText() + QStringLiteral(" 23:59:59");
    f.account = login_id_a->text().trimmed();
    f.command = command_a->currentData().toString();
    f.table = table_a->text().trimmed();
    f.billNo = bill_no_a->text().trimmed();
    guarded(this, [&] {
        Rights::require(Command);
        const Audit::Statement s = Audit::query(f);
        DBGrid1->open(s.sql + QStringLiteral(" ORDER BY ID DESC"), s.params);
    });
    showRow(DBGrid1->hasRows() ? 0 : -1);
}

void TAA70_form::showRow(int row) {
    if (row < 0 || row >= DBGrid1->rowCount()) {
        before_text->clear();
        after_text->clear();
        return;
    }
    const QString before = DBGrid1->value(row, QStringLiteral("修改前")).toString();
    const QString after = DBGrid1->value(row, QStringLiteral("修改后")).toString();
    before_text->setPlainText(sideText(before, after));
    after_text->setPlainText(sideText(after, before));
}
