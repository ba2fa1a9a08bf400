// A second running copy of the program for the concurrency tests: opens the database file and
// stages lines (each taking an order number) as fast as it can.
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/staging.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString user = QString::fromLocal8Bit(argv[2]);
    const int n = QString::fromLocal8Bit(argv[3]).toInt();
    try {
        DataConnect1::open(path);
        Session::setUserCode(user);
        for (int i = 0; i < n; ++i) {
            OrderNumbers::stageWithNumber([&](const QString& no) {
                Staging::insert({{"order_no", no}, {"login_id", user}, {"item_code", "I001"}, {"attr_code", "A1"},
                                 {"size_code", "Z1"}, {"stage_code", "G1"}, {"warehouse", "W01"},
                                 {"operation_code", "in1"}, {"bill_no", "B" + user}, {"price", 1.0}, {"qty", 1.0}});
            });
        }
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
