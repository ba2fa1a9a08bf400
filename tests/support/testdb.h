#pragma once
// A fresh database, opened as the shared connection: a file in a temporary folder, or on the test
// server a database of its own.
#include <QString>
#include <QTemporaryDir>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>

class TestDb {
public:
    // Configured: as the run asks (file or server). File: a database file whatever the run.
    // EmptyOnServer: a database of its own on the test server with no tables, not opened.
    enum class Kind { Configured, File, EmptyOnServer };
    explicit TestDb(Kind kind = Kind::Configured);
    ~TestDb();
    // The database's location: a file, or on the test server its own database there.
    QString path() const { return m_path; }
    // The server the tests run on (YC_TEST_BACKEND=postgresql, YC_TEST_SERVER=postgresql://...),
    // or an empty string for the embedded file.
    static QString server();
    static bool onServer();
    QString dir() const { return m_dir.path(); }

    // Warehouses W01/W02, categories B1/S1 and B2/S2, items I001..I003, attributes, sizes,
    // grades, operation types, a vendor and a customer.
    static void seedMasters();
    // Posted stock-in bills R1 and R2: three stock rows of I001 in W01 (attribute A1, grade G1,
    // sizes Z1/Z2/Z3 with 10/20/30) and one of I002 (Z1, 5), staged and posted by user "abc".
    static void seedStock();
    // After seedStock: posted stock-out bill D1 issuing 3 of Z1 and 4 of Z2 of I001 from W01.
    static void seedIssue();
    // Engine-specific pieces of the tests' own SQL (the system's statements are the same on both):
    // prefix || expr written with `width` digits and leading zeros,
    static QString padded(const QString& prefix, const QString& expr, int width);
    // the values of expr joined with ',' (in the order the rows come),
    static QString joined(const QString& expr);
    // a failure injected before each `event` (INSERT/UPDATE/DELETE) on `table` for which the
    // condition holds (NEW.column refers to the new row), and its removal.
    static void failWhen(const QString& name, const QString& table, const QString& event, const QString& condition,
                         const QString& message);
    static void dropFailure(const QString& name, const QString& table);
    // An identical copy of the database as it stands (the file copied, on the server a database
    // made from it), removed with this object; the shared connection stays on the original.
    QString copy();
    // True when the open database has an index of that name.
    static bool hasIndex(const QString& name);
    // First value of a statement run on a connection of its own to `location` (the shared one
    // may be closed).
    static QVariant rawValue(const QString& location, const QString& sql);
    // A connection of its own to `location`, as another running copy has; remove it by name.
    static QSqlDatabase connectOwn(const QString& location, const QString& name);
    // True when this connection holds a temporary table of that name.
    static bool hasTempTable(const QString& name);

    // Every right to the accounts (the second clerks and other copies of the tests: other, xyz,
    // "abc " typed with a blank, u1, u2 are given them when the database is made).
    static void grantAll(const QStringList& accounts);
    // The given commands alone, with the warehouses as listed ("W01" operate, "W02:查询" only).
    static void grant(const QString& account, const QStringList& commands, const QStringList& warehouses,
                      bool prices = true);

    static int count(const QString& sql, const QVariantList& params = {});
    static QVariant value(const QString& sql, const QVariantList& params = {});

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_database;
    QStringList m_copies;
    Kind m_kind;
};
