#include "movements/order_numbers.h"

#include "data/DataConnect1_Unit.h"
#include "data/sql.h"

#include <limits>

namespace OrderNumbers {

QString next(const QString& v) {
    bool ok = false;
    const qlonglong n = v.trimmed().toLongLong(&ok);
    if (!ok || n < 0 || n >= std::numeric_limits<qint32>::max())
        throw DbError(QStringLiteral("单据序号计数器的值无效：%1").arg(v));
    return (QStringLiteral("0000000000") + QString::number(n + 1)).right(10);
}

QString stageWithNumber(const std::function<void(const QString&)>& stage, const QList<Sql::Bound>& then,
                        const std::function<void(qsizetype, QSqlQuery&)>& each) {
    return stageWithNumbers(1, [&](const QStringList& numbers) { stage(numbers.first()); }, then, each).first();
}

QStringList stageWithNumbers(int count, const std::function<void(const QStringList&)>& stage,
                             const QList<Sql::Bound>& then, const std::function<void(qsizetype, QSqlQuery&)>& each) {
    if (count < 1) return {};
    Transaction tx;
    // The counter row stays locked by this transaction until the numbers are written back.
    const QVariant cur = Sql::scalar(
        QStringLiteral("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'") + DataConnect1::forUpdate());
    if (!cur.isValid()) throw DbError(QStringLiteral("单据序号计数器不存在"));
    QStringList numbers{cur.toString().trimmed()};
    QString after = next(numbers.first());
    for (int i = 1; i < count; ++i) {
        numbers << after;
        after = next(after);
    }
    stage(numbers);
    Sql::runLater(QStringLiteral("UPDATE kesp_system_data SET sys_value=? WHERE sys_name='order_no'"), {after});
    tx.commit(then, each);
    return numbers;
}

bool billNoUsed(const QString& billNo) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM kesp_post_history WHERE bill_no=?"), {billNo});
}

} // namespace OrderNumbers
