#include "support/unzip.h"

#include <QFile>
#include <zip.h>

QByteArray unzipped(const QString& archive, const char* member) {
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &err);
    if (!z) return {};
    QByteArray out;
    if (zip_file_t* f = zip_fopen(z, member, 0)) {
        char buf[65536];
        zip_int64_t n;
        while ((n = zip_fread(f, buf, sizeof buf)) > 0)
            out.append(buf, int(n));
        zip_fclose(f);
    }
    zip_close(z);
    return out;
}
