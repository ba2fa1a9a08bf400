#pragma once
// A fresh database file in a temporary folder, opened as the shared connection.
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

class TestDb {
public:
    TestDb();
    ~TestDb();
    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

    // Warehouses W01/W02, categories B1/S1 and B2/S2, items I001..I003, attributes, sizes,
    // grades, operation types, a vendor and a customer.
    static void seedMasters();
    static int count(const QString& sql, const QVariantList& params = {});
    static QVariant value(const QString& sql, const QVariantList& params = {});

private:
    QTemporaryDir m_dir;
    QString m_path;
};
