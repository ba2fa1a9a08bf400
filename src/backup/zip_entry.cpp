#include "backup/zip_entry.h"

#include <QByteArray>

namespace ZipEntry {

QString errorText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString t = QString::fromLocal8Bit(zip_error_strerror(&e));
    zip_error_fini(&e);
    return t;
}

QString read(zip_t* za, zip_uint64_t index, const std::function<void(const char*, qint64)>& out) {
    zip_file_t* f = zip_fopen_index(za, index, 0);
    if (!f) return QString::fromLocal8Bit(zip_strerror(za));
    struct Open {
        zip_file_t* f;
        ~Open() {
            if (f) zip_fclose(f);
        }
    } open{f};
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const zip_int64_t n = zip_fread(f, buffer.data(), zip_uint64_t(buffer.size()));
        if (n < 0) return QString::fromLocal8Bit(zip_file_strerror(f));
        if (n == 0) break;
        out(buffer.constData(), n);
    }
    open.f = nullptr;
    // The checksum is compared when the entry is closed.
    if (zip_fclose(f) != 0) return QStringLiteral("校验和不符");
    return {};
}

} // namespace ZipEntry
