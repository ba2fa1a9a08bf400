#pragma once
// A connection of its own, beside the shared one, for one task on the calling thread (any
// thread): a database file through the embedded engine, or a server location. Removed when it
// goes out of scope.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

class OwnConnection {
public:
    enum Mode { ReadWrite, ReadOnly };
    // A file must exist. Failing to connect is reported by the first statement (DbError).
    explicit OwnConnection(const QString& location, Mode mode = ReadWrite);
    ~OwnConnection();
    OwnConnection(const OwnConnection&) = delete;
    OwnConnection& operator=(const OwnConnection&) = delete;

    bool onServer() const { return m_server; }
    QSqlDatabase db() const;
    // Prepares, binds and runs one statement; throws DbError.
    QSqlQuery run(const QString& sql, const QVariantList& params = {});
    QVariant scalar(const QString& sql, const QVariantList& params = {});

private:
    QString m_name;
    QString m_error;
    bool m_server = false;
};
