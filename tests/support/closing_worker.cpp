// Another running copy for the closing and backup tests.
//   closing_worker ensure <db> <yyyy-MM-dd> <go-file>   adds the day's period, prints added|none
//   closing_worker close <db> <period> <go-file>        closes the period, prints closed|already
//   closing_worker post <db> <user>                     posts one stock-in line after another until killed
//   closing_worker backup <db> <archive>                backs up one time after another until killed
// The go-file lets several copies start their work at the same moment.
#include "backup/backup.h"
#include "closing/periods.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/staging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <cstdio>

namespace {
void waitFor(const QString& goFile) {
    while (!QFileInfo::exists(goFile)) QThread::usleep(200);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 4) return 2;
    try {
        DataConnect1::open(a[2]);
        Session::setUserCode(QStringLiteral("abc"));
        if (a[1] == "ensure" && a.size() > 4) {
            const QDate day = QDate::fromString(a[3], Qt::ISODate);
            waitFor(a[4]);
            std::printf("%s\n", Periods::ensure(day) ? "added" : "none");
        } else if (a[1] == "close" && a.size() > 4) {
            waitFor(a[4]);
            const auto r = Periods::close(a[3], QDate::currentDate());
            std::printf("%s\n", r == Periods::CloseResult::Closed ? "closed" : "already");
        } else if (a[1] == "post") {
            Session::setUserCode(a[3]);
            for (int i = 0;; ++i) {
                OrderNumbers::stageWithNumber([&](const QString& no) {
                    Staging::insert({{"order_no", no}, {"login_id", a[3]}, {"item_code", "I001"}, {"attr_code", "A1"},
                                     {"size_code", "Z1"}, {"stage_code", "G1"}, {"warehouse", "W01"},
                                     {"operation_code", "in1"}, {"bill_no", QString("P%1").arg(i)},
                                     {"price", 1.0}, {"qty", 1.0}});
                });
                Posting::post(LineKind::StockIn);
            }
        } else if (a[1] == "backup") {
            for (;;)
                Backup::make({a[2], a[3], QStringLiteral("DATA/quorvel.mdb")});
        } else {
            return 2;
        }
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
