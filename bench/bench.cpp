// Benchmarks on a large database (not a test), through the real windows where a clerk would use
// them. Each figure is printed beside its floor, the minimal SQL for the same work on the same data
// through the same connection in the same run, and the ratio; windows and popups in absolute ms.
//   yicang_bench [--server postgresql://user@host:port/database] [--rounds N] [--database FILE]
//                [--server-database NAME] [history_rows] [balance_rows]
// --database keeps the file's database at FILE: built there when absent, used again (not built)
// when present, so that a database of ten million rows is built once; --server-database the
// same for the server's database NAME.
#include "bench_fill.h"
#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/grid_export.h"
#include "fields/lookupfield.h"
#include "masterdata/BB10_Unit.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "movements/posting.h"
#include "movements/staging.h"
#include "fields/numericedit.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/crosstab.h"
#include "queries/filter_panel.h"
#include "queries/query_builders.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {
// Errors are printed; nothing waits for a click.
class PrintingSeam : public MessageSeam {
public:
    void notice(QWidget*, const QString& t) override { say(t); }
    void dravont(QWidget*, const QString& t) override { say(t); }
    bool askDravont(QWidget*, const QString& t) override { return say(t), true; }
    bool confirm(QWidget*, const QString& t, bool) override { return say(t), true; }
    void error(QWidget*, const QString& t) override { say("error: " + t); }
    int runModal(QDialog*) override { return 0; }
    QString chooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }

private:
    static void say(const QString& t) { std::printf("  [message] %s\n", t.toUtf8().constData()); }
};

// Statements the last measured action sent (on the server each one a round trip), -1 when not
// counted; taken by the next figure printed.
qint64 g_statements = -1;

// Best of three runs, in ms (the first run warms the page cache like a clerk's second query);
// the statements of the last run are counted.
double best(const std::function<void()>& work) {
    double b = 1e18;
    for (int i = 0; i < 3; ++i) {
        const qint64 before = Sql::statementsSent();
        QElapsedTimer t;
        t.start();
        work();
        b = std::min(b, t.nsecsElapsed() / 1e6);
        g_statements = Sql::statementsSent() - before;
    }
    return b;
}

// One measured figure of a run; floor < 0 when it has none (windows and popups).
struct Figure {
    QString what;
    double ms = 0;
    double floor = -1;
    double target = 0; // the largest server/file ratio allowed, 0 when none
    qint64 statements = -1; // round trips on the server (statements sent), -1 when not counted
};
QList<Figure> g_figures;
// Tells this run's fresh warehouses from those of earlier runs on a kept database.
const QString g_runTag = QString::number(QDateTime::currentSecsSinceEpoch() % 2000000, 36);

// Columns of text as wide as they look: CJK characters take two.
QString padded(const QString& text, int width) {
    int w = 0;
    for (const QChar c : text) w += c.unicode() >= 0x2e80 ? 2 : 1;
    return text + QString(std::max(0, width - w), QLatin1Char(' '));
}
void line(const QString& text) { std::printf("%s\n", text.toUtf8().constData()); }

QString tripsText(qint64 statements) {
    return statements < 0 ? QString() : QString::asprintf("  %3lld round trips", statements);
}
void ratio(const QString& what, double ms, double floor, double target = 0, qint64 statements = -1) {
    if (statements < 0) statements = g_statements;
    g_statements = -1;
    g_figures.append({what, ms, floor, target, statements});
    line(padded(what, 70) + QString::asprintf(" %8.1f ms  floor %8.1f ms  ratio %.2f", ms, floor, ms / floor) +
         tripsText(statements));
}
void absolute(const QString& what, double ms) {
    g_figures.append({what, ms, -1, 0, g_statements});
    line(padded(what, 70) + QString::asprintf(" %8.1f ms", ms) + tripsText(g_statements));
    g_statements = -1;
}

double timedPost(const QString& other, LineKind kind = LineKind::StockIn) {
    BenchFill::stage10k(other, kind == LineKind::StockOut);
    const qint64 before = Sql::statementsSent();
    QElapsedTimer t;
    t.start();
    const int posted = Posting::post(kind);
    const double ms = t.nsecsElapsed() / 1e6;
    g_statements = Sql::statementsSent() - before;
    if (posted != 10000) std::printf("  posted %d lines instead of 10000\n", posted);
    return ms;
}

double timedPostFloor(const QString& other) {
    BenchFill::stage10k(other);
    QElapsedTimer t;
    t.start();
    BenchFill::postFloor();
    return t.nsecsElapsed() / 1e6;
}

void build(int history, int balances) {
    QElapsedTimer t;
    t.start();
    BenchFill::build(history, balances);
    absolute("build database", t.elapsed());
}

// The minimal SQL of one query run: the result copied once into a temporary table, its first
// screen in item order (SELECT ... LIMIT 256 read to its end) and the footer (one SUM).
double floorOf(const QueryBuilders::Statement& s) {
    return best([&] {
        Sql::run(DataConnect1::dropSnapshotStatement("bench_floor"));
        // CREATE TABLE AS, through the engine's own way with bound values (the server's numbers
        // its rows besides, as every snapshot there).
        DataConnect1::makeSnapshot("bench_floor", s.sql, {}, s.params);
        QSqlQuery q = Sql::run("SELECT * FROM bench_floor ORDER BY item_code LIMIT 256");
        while (q.next()) {
        }
        q = QSqlQuery();
        Sql::scalar("SELECT SUM(qty) FROM bench_floor");
        Sql::run("DROP TABLE bench_floor");
    });
}

// Resident memory of this process now and at its highest, in MB.
double residentMb(const char* key) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(key)) return l.mid(qstrlen(key)).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

template <class W> double opening(W** keep) {
    return best([&] {
        delete *keep;
        *keep = new W;
        (*keep)->show();
        QApplication::processEvents();
    });
}

double popup(LookupField* f) {
    return best([&] {
        f->showPopup();
        QApplication::processEvents();
        f->hidePopup();
    });
}

// Every figure but the build on the open database, printed as it is measured and kept in
// g_figures. Round `round` posts into warehouses of its own, so that its first postings find no
// balance rows for half of their keys.
void measure(int round) {
    g_figures.clear();
    Session::setUserCode("abc");
    std::printf("%s, round %d\n", DataConnect1::onServer() ? "server" : "file", round + 1);

    // Best of three postings, each with 1,000 keys of a warehouse of its own that has no balance
    // rows yet; the floor the same on other warehouses. Then the same again onto existing keys.
    QStringList fresh, floorFresh;
    for (int i = 0; i < 3; ++i) {
        fresh << QStringLiteral("N%1%2%3").arg(g_runTag).arg(round).arg(i);
        floorFresh << QStringLiteral("F%1%2%3").arg(g_runTag).arg(round).arg(i);
    }
    double post = 1e18, postFloor = 1e18;
    qint64 postTrips = -1;
    for (int i = 0; i < 3; ++i) {
        post = std::min(post, timedPost(fresh[i]));
        postTrips = g_statements;
        postFloor = std::min(postFloor, timedPostFloor(floorFresh[i]));
    }
    ratio("post 10,000 staged lines (2,000 keys, 1,000 new)", post, postFloor, 3, postTrips);
    post = postFloor = 1e18;
    for (int i = 0; i < 3; ++i) {
        post = std::min(post, timedPost(fresh[i]));
        postTrips = g_statements;
        postFloor = std::min(postFloor, timedPostFloor(floorFresh[i]));
    }
    ratio("post again (all keys exist now)", post, postFloor, 3, postTrips);

    // The negative-stock guard: stock-outs of the same 10,000 lines (every key holds enough),
    // the guard off and on by turns; the figure with the guard beside the one without.
    {
        QStringList guarded{QStringLiteral("W01")};
        for (const QString& w : fresh) {
            Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) VALUES (?,?)", {w, w});
            guarded << w;
        }
        const auto guard = [&](bool on) {
            Transaction tx;
            QVariantList params{on};
            for (const QString& w : guarded) params << w;
            Sql::run("UPDATE kesp_warehouse_ini SET forbid_negative=? WHERE warehouse IN (?,?,?,?)", params);
            tx.commit();
        };
        double off = 1e18, on = 1e18;
        for (int i = 0; i < 3; ++i) {
            guard(false);
            off = std::min(off, timedPost(fresh[i], LineKind::StockOut));
            guard(true);
            on = std::min(on, timedPost(fresh[i], LineKind::StockOut));
        }
        guard(false);
        ratio("post 10,000 stock-out lines, guard on (floor: guard off)", on, off);
    }

    // Movement record query of W01 over the year: "查询" in the window.
    {
        TCC40_form f;
        f.show();
        f.filters->warehouse_a->setEditText("W01");
        f.procure_date_a->setDate(QDate(2026, 1, 1));
        f.Procure_date_b->setDate(QDate(2026, 12, 31));
        const double ms = best([&] { f.Cmd_Query->click(); });
        const qint64 trips = g_statements;
        std::printf("  %lld rows\n", f.DBGrid1->model()->resultCount());
        const auto s = QueryBuilders::movementQuery('i', {{"warehouse", "W01"}}, "2026/01/01", "2026/12/31");
        ratio("movement query W01, a year: first screen + footer", ms, floorOf(s), 2, trips);
    }
    // Current stock of W02 (a ninth of the other half), of W01 (half of the balance rows), then
    // the group summary of W01's result, as "确定" in the style dialog builds it.
    {
        TEE10_form f;
        f.show();
        f.filters->warehouse_a->setEditText("W02");
        double ms = best([&] { f.Cmd_Query->click(); });
        qint64 trips = g_statements;
        std::printf("  %lld rows\n", f.DBGrid1->model()->resultCount());
        ratio("stock query W02: first screen + footer", ms, floorOf(QueryBuilders::stockQuery({{"warehouse", "W02"}})), 2,
              trips);
        f.filters->warehouse_a->setEditText("W01");
        ms = best([&] { f.Cmd_Query->click(); });
        trips = g_statements;
        std::printf("  %lld rows\n", f.DBGrid1->model()->resultCount());
        ratio("stock query W01: first screen + footer", ms, floorOf(QueryBuilders::stockQuery({{"warehouse", "W01"}})), 2,
              trips);

        const Crosstab::UseSource result(Crosstab::resultRows(f.snapshotTable()));
        Group_Grid_form g;
        const double floor = best([&] {
            QSqlQuery q = Sql::run("SELECT item_name, size_name, SUM(qty) FROM " + f.snapshotTable() +
                                   " WHERE qty<>0 GROUP BY item_name, size_name");
            while (q.next()) {
            }
        });
        ratio("group summary 尺寸 x 名称 of the W01 result (\"确定\")", best([&] { g.prepare("尺寸", "名称"); }), floor, 2);
        ratio("group summary 尺寸 x 名称 of the W01 result (\"刷新\")", best([&] { g.Cmd_fresh->click(); }), floor, 2);
        std::printf("  %d rows x %d columns\n", g.DBGrid1->rowCount(), int(g.DBGrid1->captions().size()));
        absolute("  popup of its range list", popup(g.col_code_a));

        // The W01 result paged through to its end and exported: the process's resident memory.
        QTemporaryDir out;
        QElapsedTimer t;
        t.start();
        f.DBGrid1->model()->fetchAll();
        GridExport::of(f.DBGrid1)->exportTo(GridExport::Format::Csv, out.filePath("w01.csv"));
        absolute("  W01 paged to its end and exported to CSV", t.elapsed());
        std::printf("  resident %.0f MB now, %.0f MB at most in this run\n", residentMb("VmRSS:"),
                    residentMb("VmHWM:"));
    }

    // Opening each window (constructed, shown, first events handled).
    {
        TCC40_form* a = nullptr;
        absolute("open 入库记录查询", opening(&a));
        absolute("  popup of its bill list", popup(a->bill_no_a));
        a->bill_no_a->setEditText("B0123");
        absolute("  popup of its bill list, typed B0123", popup(a->bill_no_a));
        delete a;
        TDD30_form* b = nullptr;
        absolute("open 出库记录查询", opening(&b));
        delete b;
        TEE10_form* c = nullptr;
        absolute("open 当前库存查询", opening(&c));
        emit c->filters->item_code_a->entered();
        absolute("  popup of its item list (20,000 items)", popup(c->filters->item_code_a));
        delete c;
        TCC10_form* d = nullptr;
        absolute("open 入库操作", opening(&d));
        delete d;
        TDD10_form* e = nullptr;
        absolute("open 出库操作", opening(&e));
        e->findChild<LookupField*>("warehouse_a")->setEditText("W01");
        LookupField* rows = e->findChild<LookupField*>("item_code_a");
        const double enter = best([&] { emit rows->entered(); });
        absolute("  entering its stock-row field (W01)", enter);
        absolute("  popup of its stock rows (W01)", popup(rows));
        delete e;
        // One stock-in line staged by "确定", the header and the line filled as a clerk leaves them
        // (the bill number was checked when its field was left: the first click, not the best).
        Sql::run("INSERT INTO kesp_vendor_ini(vendor,vendor_name) SELECT 'V1','供应商' WHERE NOT EXISTS "
                 "(SELECT 1 FROM kesp_vendor_ini WHERE vendor='V1')");
        Sql::run("INSERT INTO kesp_item_arrage_b(arrage_code_b,arrage_name_b) SELECT 'B1','大类1' WHERE NOT EXISTS "
                 "(SELECT 1 FROM kesp_item_arrage_b WHERE arrage_code_b='B1')");
        Sql::run("INSERT INTO kesp_item_arrage_s(arrage_code_b,arrage_code_s,arrage_name_s) SELECT 'B1','S1','小类1' "
                 "WHERE NOT EXISTS (SELECT 1 FROM kesp_item_arrage_s WHERE arrage_code_s='S1')");
        {
            TCC10_form in;
            in.show();
            in.bill_no_a->setText(QStringLiteral("K%1%2").arg(g_runTag).arg(round));
            const auto set = [&](const char* name, const QString& code) { in.findChild<LookupField*>(name)->setText(code); };
            set("operation_code_a", "in1");
            set("warehouse_a", "W01");
            set("vendor_a", "V1");
            in.item_code_a->setList("SELECT * FROM kesp_item_master WHERE item_code='I00001'");
            in.item_code_a->setText("I00001");
            set("attr_code_a", "A1");
            set("size_code_a", "Z1");
            set("stage_code_a", "G1");
            in.price_a->setText("10");
            in.qty_a->setText("1");
            QApplication::processEvents();
            QPushButton* ok = in.findChild<QPushButton*>("BitBtn1");
            absolute("stock-in 确定 (one staged line)", best([&] {
                ok->click();
                QApplication::processEvents();
            }));
            Staging::discard(LineKind::StockIn);
        }
        TBB10_form* m = nullptr;
        absolute("open 项目代码 (item master)", opening(&m));
        absolute("  entering its F3 (both range lists)", best([&] { emit m->F3->entered(); }));
        absolute("  popup of F3", popup(m->F3));
        delete m;
    }
}

// The two runs side by side: each figure on the file and on the server beside its floor there,
// the server's time over the file's, and the target that ratio must stay within.
int sideBySide(const QList<Figure>& file, const QList<Figure>& server) {
    std::printf("\n");
    line(padded("figure", 70) +
         "    file ms   (floor ratio)    server ms   (floor ratio)  server/file  round trips  target");
    int missed = 0;
    for (const Figure& f : file) {
        const auto same = std::find_if(server.begin(), server.end(), [&](const Figure& g) { return g.what == f.what; });
        if (same == server.end()) continue;
        const Figure* s = &*same;
        const auto cell = [](const Figure& g) {
            return g.floor < 0 ? QString::asprintf("%10.1f %17s", g.ms, "")
                               : QString::asprintf("%10.1f (%8.1f %5.2f)", g.ms, g.floor, g.ms / g.floor);
        };
        const double r = s->ms / f.ms;
        QString target;
        if (f.target > 0) {
            const bool met = r <= f.target;
            missed += met ? 0 : 1;
            target = QString::asprintf("%.0fx %s", f.target, met ? "met" : "MISSED");
        }
        const QString trips = s->statements < 0 ? QString(11, QLatin1Char(' ')) : QString::asprintf("%11lld", s->statements);
        line(padded(f.what, 70) + cell(f) + "  " + cell(*s) + QString::asprintf("  %10.2f  ", r) + trips + "  " + target);
    }
    std::printf(missed ? "%d target(s) missed\n" : "every target met\n", missed);
    return missed ? 2 : 0;
}
} // namespace

// yicang_bench [--server postgresql://user@host:port/maintenance-database] [--rounds N] [history_rows]
//              [balance_rows]
// With --server the same figures run on the file and on a database made on that server for the
// run, in turns (two rounds unless told), and are printed side by side.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrintingSeam seam;
    Msg::install(&seam);
    QStringList args = app.arguments().mid(1);
    QString server;
    int rounds = 1;
    if (const qsizetype at = args.indexOf("--rounds"); at >= 0 && at + 1 < args.size()) {
        rounds = std::max(1, args.takeAt(at + 1).toInt());
        args.removeAt(at);
    } else if (args.contains("--server")) {
        rounds = 2;
    }
    if (const qsizetype at = args.indexOf("--server"); at >= 0 && at + 1 < args.size()) {
        server = args.takeAt(at + 1);
        args.removeAt(at);
        if (!Server::isServerLocation(server)) {
            std::fprintf(stderr, "--server needs an address postgresql://user@host:port/database\n");
            return 1;
        }
    }
    QString keptOnServer;
    if (const qsizetype at = args.indexOf("--server-database"); at >= 0 && at + 1 < args.size()) {
        keptOnServer = args.takeAt(at + 1);
        args.removeAt(at);
    }
    QString kept;
    if (const qsizetype at = args.indexOf("--database"); at >= 0 && at + 1 < args.size()) {
        kept = QFileInfo(args.takeAt(at + 1)).absoluteFilePath();
        args.removeAt(at);
    }
    const int history = args.size() > 0 ? args[0].toInt() : 1000000;
    const int balances = args.size() > 1 ? args[1].toInt() : 200000;
    try {
        QTemporaryDir dir;
        const QString file = kept.isEmpty() ? dir.filePath("DATA/quorvel.mdb") : kept;
        const bool reuse = !kept.isEmpty() && QFileInfo::exists(kept);
        if (!kept.isEmpty()) {
            QDir().mkpath(QFileInfo(kept).path());
            std::printf("database %s (%s)\n", kept.toUtf8().constData(), reuse ? "built before, used again" : "built and kept");
        }
        if (qEnvironmentVariableIsSet("BENCH_KEEP")) { // the database stays for a look in the sqlite3 shell
            dir.setAutoRemove(false);
            std::printf("database %s\n", file.toUtf8().constData());
        }
        std::printf("history rows %d, balance rows %d (W01: %d)\n", history, balances, balances / 2);
        // Each database is built once; then the rounds take turns between them, so that a busy
        // moment of the machine weighs on both, and each figure keeps its best round.
        QList<Figure> fileRuns, serverRuns;
        const auto built = [&](const QString& location, QList<Figure>& runs) {
            DataConnect1::create(location);
            g_figures.clear();
            build(history, balances);
            runs = g_figures;
            DataConnect1::close();
        };
        const auto round = [&](const QString& location, int r, QList<Figure>& runs) {
            DataConnect1::open(location);
            measure(r);
            DataConnect1::close();
            const qsizetype first = runs.size() - g_figures.size();
            if (first < 1 || r == 0) {
                runs += g_figures;
                return;
            }
            for (qsizetype i = 0; i < g_figures.size(); ++i) {
                Figure& b = runs[first + i];
                b.ms = std::min(b.ms, g_figures[i].ms);
                if (b.floor >= 0) b.floor = std::min(b.floor, g_figures[i].floor);
            }
        };
        if (!reuse) built(file, fileRuns);
        std::unique_ptr<ServerDatabase> db;
        if (!server.isEmpty()) {
            db = std::make_unique<ServerDatabase>(server, keptOnServer);
            std::printf("server database %s%s\n", Server::shown(db->location()).toUtf8().constData(),
                        db->built() ? " (built before, used again)" : "");
            if (!db->built()) built(db->location(), serverRuns);
        }
        for (int r = 0; r < rounds; ++r) {
            round(file, r, fileRuns);
            if (db) round(db->location(), r, serverRuns);
        }
        return db ? sideBySide(fileRuns, serverRuns) : 0;
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.text().toUtf8().constData());
        return 1;
    }
}
