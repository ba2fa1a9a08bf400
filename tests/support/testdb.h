#pragma once
// A fresh database, opened as the shared connection: a file in a temporary folder, or on the test
// server a database of its own.
#include <QString>
#include <QTemporaryDir>
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
    static int count(const QString& sql, const QVariantList& params = {});
    static QVariant value(const QString& sql, const QVariantList& params = {});

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_database;
    Kind m_kind;
};
