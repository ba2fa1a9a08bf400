#pragma once
// One member of a ZIP archive (an exported workbook, a backup) read whole; empty when missing.
#include <QByteArray>
#include <QString>

QByteArray unzipped(const QString& archive, const char* member);
