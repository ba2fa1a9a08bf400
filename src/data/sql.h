#pragma once
// Statement helpers over the shared connection: every value is a bound parameter, every failure
// becomes one DbError carrying the engine's text.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>
#include <stdexcept>

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

namespace Sql {
// The connection every statement runs on (set up by DataConnect1).
QSqlDatabase db();

// The engine's text of a failure (the busy message when another copy held a lock too long).
QString errorText(const QSqlError& e);
// Throws unless the shared connection is open; a server connection that broke off is made again
// when no transaction is open.
void ensureConnected();
// Prepares, binds positional values ('?') and runs a statement; throws DbError on failure.
QSqlQuery run(const QString& sql, const QVariantList& params = {});
// First column of the first row, or an invalid QVariant when there is no row.
QVariant scalar(const QString& sql, const QVariantList& params = {});
// True when the statement returns at least one row.
bool exists(const QString& sql, const QVariantList& params = {});
// A write whose answer nobody waits for, inside a transaction: on the server sent in front of the
// transaction's next statement or of its COMMIT, in the same round trip (a failure fails that one);
// on the file, or outside a transaction, run at once.
void runLater(const QString& sql, const QVariantList& params = {});
// A statement with its bound values.
struct Bound {
    QString sql;
    QVariantList params;
};
// Runs the statements in order, in one round trip to a server (one after the other on the file);
// `each`, when given, is called with every statement's index and its result as soon as that is
// there. Throws DbError at the first that fails (those before it have run: use a transaction).
void runAll(const QList<Bound>& statements, const std::function<void(qsizetype, QSqlQuery&)>& each = {});
// Runs statements without bound values in one round trip to a server (one after the other on the
// file), all or none of them when inside a transaction; the query holds the last one's result.
QSqlQuery runBatch(const QStringList& statements);
// Runs a script of statements separated by ';' at line ends ("--" comment lines are skipped).
void runScript(const QString& script);

// Statements sent on the shared connection so far, each a round trip to a server: read before and
// after an action, the difference is what the action costs on a distant link.
qint64 statementsSent();
// Counts one statement sent past run() (transaction control of the data module). YC_SQL_LOG=1
// prints every statement as it is counted.
void countStatement(const QString& text);
// On the server a bound statement is prepared once per connection under a name of its own and
// then executed by that name, one round trip a call. Forgets the prepared statements that name
// `table` (it is about to be made anew with other columns), or all of them (the connection is
// closed or made again, and they are gone with it).
void forgetPrepared(const QString& table);
void forgetAllPrepared();
// A value as the server's driver writes it into a statement's text: NULL for a null value of any
// type, quoted and escaped text, ISO dates.
QString literal(const QSqlDatabase& d, const QVariant& v);

// The text of every failure because another running copy held the database past the busy timeout.
inline const QString BusyMessage = QStringLiteral("数据库正忙，请稍后再试。");
// The text of every failure because the connection to the database server broke off (the next
// statement outside a transaction connects again).
inline const QString LostMessage = QStringLiteral("与数据库服务器的连接已中断，这次操作没有完成，请稍后再试。");
// The text of every statement refused while another copy restores the database from a backup.
inline const QString RestoringMessage = QStringLiteral("数据库正在恢复，请退出");
// Told true when a statement starts waiting for another copy's lock and false when the wait
// ends (the windows show the wait cursor meanwhile). One observer; an empty one removes it.
void setBusyObserver(std::function<void(bool waiting)> observer);
// Called by the connection's busy handler when a statement starts to wait.
void busyWaitBegins();

// Condition "column begins with prefix" (letter case ignored, index friendly); appends its values.
// An empty prefix matches every row.
QString prefixCondition(const QString& column, const QString& prefix, QVariantList& params);
} // namespace Sql

// Write transaction: begun on construction (on the server together with its first statement, in
// the same round trip, the write lock taken before that statement runs), rolled back on
// destruction unless committed.
// Nested guards join the outermost one, so composed operations stay all or nothing.
class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();
    // Commits and then runs `then` (reads of what was written), on the server in the COMMIT's
    // round trip, each answer handed to `each` with its index in `then`.
    void commit(const QList<Sql::Bound>& then, const std::function<void(qsizetype, QSqlQuery&)>& each);

private:
    bool m_outer = false;
    bool m_done = false;
};
