// A second running copy of the program for the concurrency tests: opens the database file and
//   order_worker FILE USER N        stages N lines (each taking an order number) as fast as it can
//   order_worker FILE USER open     only opens the file (upgrading an older one)
//   order_worker FILE USER balance [GO]  commits one new balance row of W01 (item A00000, quantity 7);
//                                   with GO: says "ready" once open and waits for the file GO first
//   order_worker FILE USER hold MS  holds the write lock for MS milliseconds ("locked" once taken)
//   order_worker FILE USER issue Q GO  stages a stock-out of Q from that key, says "staged", waits for
//                                   the file GO and posts: says "posted", or "short" when refused
//   order_worker FILE USER post N   N rounds of staging and posting onto one stock key of W01 (I001 A1 Z1
//                                   G1): two lines in of 1.5 each, then one line out of 0.5
//   order_worker FILE USER barcodes ITEM...  gives every variant of each item its in-store codes
// FILE may be a server location as well.
#include "barcodes/barcodes.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/staging.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString user = QString::fromLocal8Bit(argv[2]);
    const QString mode = QString::fromLocal8Bit(argv[3]);
    const int n = mode.toInt();
    try {
        DataConnect1::open(path);
        Session::setUserCode(user);
        if (mode == "balance") {
            if (argc > 4) {
                std::printf("ready\n");
                std::fflush(stdout);
                while (!QFile::exists(QString::fromLocal8Bit(argv[4]))) QThread::msleep(1);
            }
            Transaction tx;
            Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,"
                     "stage_code,qty) VALUES ('W01','一号仓库','A00000','A1','Z1','G1',7)");
            tx.commit();
        } else if (mode == "post" && argc > 4) {
            const auto line = [&](bool in, double qty) {
                OrderNumbers::stageWithNumber([&](const QString& no) {
                    Staging::Values v{{"order_no", no}, {"login_id", user}, {"item_code", "I001"}, {"attr_code", "A1"},
                                      {"size_code", "Z1"}, {"stage_code", "G1"}, {"warehouse", "W01"},
                                      {"operation_code", in ? "in1" : "out1"}, {"bill_no", "P" + user},
                                      {"price", 1.0}, {"qty", qty}};
                    v.append(qMakePair(QString(in ? "vendor" : "customer"), QVariant(in ? "V1" : "C1")));
                    Staging::insert(v);
                });
            };
            for (int round = 0, rounds = QString::fromLocal8Bit(argv[4]).toInt(); round < rounds; ++round) {
                line(true, 1.5);
                line(true, 1.5);
                if (Posting::post(LineKind::StockIn) != 2) throw DbError("stock-in posted a wrong number of lines");
                line(false, 0.5);
                if (Posting::post(LineKind::StockOut) != 1) throw DbError("stock-out posted a wrong number of lines");
            }
        } else if (mode == "barcodes") {
            for (int i = 4; i < argc; ++i) Barcodes::generate(QString::fromLocal8Bit(argv[i]), true);
        } else if (mode == "issue" && argc > 5) {
            OrderNumbers::stageWithNumber([&](const QString& no) {
                Staging::insert({{"order_no", no}, {"login_id", user}, {"item_code", "I001"}, {"attr_code", "A1"},
                                 {"size_code", "Z1"}, {"stage_code", "G1"}, {"warehouse", "W01"},
                                 {"operation_code", "out1"}, {"customer", "C1"}, {"bill_no", "S" + user},
                                 {"price", 1.0}, {"qty", QString::fromLocal8Bit(argv[4]).toDouble()}});
            });
            std::printf("staged\n");
            std::fflush(stdout);
            const QString go = QString::fromLocal8Bit(argv[5]);
            while (!QFile::exists(go)) QThread::msleep(1);
            try {
                Posting::post(LineKind::StockOut);
                std::printf("posted\n");
            } catch (const Posting::Shortage&) {
                std::printf("short\n");
            }
        } else if (mode == "hold" && argc > 4) {
            Transaction tx;
            Sql::scalar("SELECT 1"); // the write lock is taken with the transaction's first statement
            std::printf("locked\n");
            std::fflush(stdout);
            QThread::msleep(QString::fromLocal8Bit(argv[4]).toInt());
            tx.commit();
        }
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
