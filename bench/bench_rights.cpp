// Rights benchmark (not a test): what the rights check and the audit row add to a posting, and
// the stock query of a clerk restricted to 3 of the 10 warehouses beside the unrestricted one.
//   yicang_bench_rights [history_rows] [balance_rows]      (default 200,000 / 100,000)
// Each figure is the best of five, both sides measured in the same run, taking turns.
#include "bench_fill.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "movements/posting.h"
#include "queries/EE10_Unit.h"
#include "queries/filter_panel.h"
#include "ui/messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
class QuietSeam : public MessageSeam {
public:
    void notice(QWidget*, const QString& t) override { std::printf("  notice: %s\n", qPrintable(t)); }
    void dravont(QWidget*, const QString&) override {}
    bool askDravont(QWidget*, const QString&) override { return false; }
    bool confirm(QWidget*, const QString&, bool) override { return true; }
    void error(QWidget*, const QString& t) override { std::printf("  error: %s\n", qPrintable(t)); }
    int runModal(QDialog*) override { return 0; }
    QString chooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
};

constexpr int Rounds = 5;

void report(const char* what, double ms, double beside, const char* besideName, double target) {
    std::printf("%-58s %8.1f ms   %s %8.1f ms   ratio %.3f (target %.2f)\n", what, ms, besideName, beside, ms / beside,
                target);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QuietSeam seam;
    Msg::install(&seam);
    const int history = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int balances = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    try {
        DataConnect1::create(dir.filePath("quorvel.mdb"));
        Session::setUserCode("abc");
        QElapsedTimer t;
        t.start();
        BenchFill::build(history, balances);
        std::printf("built %d history rows, %d balance rows in %lld ms\n", history, balances, t.elapsed());

        // Posting: the whole posting, and the part of it before its first statement on the
        // history (write lock taken, right checked, bill grouped, audit row written): without
        // them the posting would take the difference.
        double whole = 1e18, without = 1e18;
        for (int i = 0; i < Rounds; ++i) {
            BenchFill::stage10k(QStringLiteral("N%1").arg(i));
            qint64 checked = 0;
            QElapsedTimer p;
            Posting::afterStatement = [&](int step) {
                if (step == 0) checked = p.nsecsElapsed();
            };
            p.start();
            const int posted = Posting::post(LineKind::StockIn);
            const qint64 total = p.nsecsElapsed();
            Posting::afterStatement = nullptr;
            if (posted != 10000) std::printf("  posted %d lines instead of 10000\n", posted);
            whole = std::min(whole, total / 1e6);
            without = std::min(without, (total - checked) / 1e6);
        }
        report("post 10,000 staged lines, rights checked + audit row", whole, without, "without", 1.1);

        // The stock query of W02 in the window: as abc (every warehouse) and as a clerk who sees
        // W02, W03 and W04 alone.
        Sql::run("INSERT INTO login_table VALUES ('clerk3','店员','1')");
        Sql::run("INSERT INTO kesp_user_right(login_id, command) VALUES ('clerk3','EE10'),('clerk3','PRICE')");
        Sql::run("INSERT INTO kesp_user_warehouse(login_id, warehouse, may_operate) VALUES "
                 "('clerk3','W02','N'),('clerk3','W03','N'),('clerk3','W04','N')");
        for (const QString& warehouse : {QStringLiteral("W02"), QStringLiteral("W03")}) {
            double all = 1e18, restricted = 1e18;
            qint64 rowsAll = 0, rowsRestricted = 0;
            for (int i = 0; i < Rounds; ++i)
                for (const QString user : {"abc", "clerk3"}) {
                    Session::setUserCode(user);
                    TEE10_form f;
                    f.show();
                    f.filters->warehouse_a->setEditText(warehouse);
                    QElapsedTimer q;
                    q.start();
                    f.Cmd_Query->click();
                    const bool everyWarehouse = user == QLatin1String("abc");
                    double& best = everyWarehouse ? all : restricted;
                    best = std::min(best, q.nsecsElapsed() / 1e6);
                    (everyWarehouse ? rowsAll : rowsRestricted) = f.DBGrid1->model()->resultCount();
                }
            std::printf("  %s: %lld rows unrestricted, %lld rows restricted\n", qPrintable(warehouse), rowsAll,
                        rowsRestricted);
            report(qPrintable(QStringLiteral("stock query %1, clerk of 3 of 10 warehouses").arg(warehouse)), restricted, all,
                   "all", 1.0);
        }
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
