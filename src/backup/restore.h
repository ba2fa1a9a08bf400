#pragma once
// Restoring an archive made by the backup. The archive is unpacked into a scratch copy beside the
// live data (on the server a schema of its own, loaded from the dump), upgraded there when an
// earlier build made it, and checked: the engine's integrity check and the balance check. Only
// then, on request, the live data is replaced: the current data backed up first, every other
// copy told by the restore marker (data/DataConnect1_Unit.h) and kept from writing, the rows of
// every table replaced in one write transaction with one row in the trail. A failure at any step
// leaves the live data as it was. Runs on the thread of the shared connection.
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

namespace Restore {
inline const QString Command = QStringLiteral("AA60");

struct Count {
    QString caption; // "商品资料" ...
    qint64 rows = 0;
};

// What the check found in an archive.
struct Report {
    QString archive;
    QDateTime made;       // the manifest's date, or the data entry's
    QString program;      // the program that made it; empty for archives without a manifest
    int schemaVersion = 0; // of the data as archived (older ones are upgraded on the scratch copy)
    QString integrity;    // "ok", or what the engine found wrong
    QList<Count> counts;  // rows of the main tables, after the upgrade
    qint64 differences = -1; // balances that disagree with the movements; -1: not checked
    QString error;        // why the archive cannot be restored; empty when it can
    bool ok() const { return error.isEmpty(); }
};

// Unpacks and checks the archive without touching the live data. The shared connection is on the
// live data again afterwards.
Report inspect(const QString& archive);

enum class Step { Checking, BackingUp, Replacing };

struct Outcome {
    Report report;
    QString safetyBackup; // the archive of the data as it was before the restore
    QString error;        // empty when the live data was replaced
    bool ok() const { return error.isEmpty(); }
};

// Checks the archive again and replaces the live data with it (see above). The current data is
// backed up into the backup folder below `startDir` first. `step` hears each step as it begins
// (Replacing: the other copies are told and their sessions ended). Needs the right AA60.
Outcome restore(const QString& archive, const QString& startDir, const std::function<void(Step)>& step = {});

// Texts of the window.
inline const QString FailedMessage = QStringLiteral("恢复失败，现有数据没有改变：%1");
QString describe(const Report& r);
} // namespace Restore
