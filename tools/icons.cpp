// Writes the program's icon as PNG files, one a size: OUTDIR/SIZExSIZE/yicangtong.png.
#include "app/pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: yicang_icons OUTDIR SIZE...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString dir = QStringLiteral("%1x%1").arg(size);
        if (size <= 0 || !out.mkpath(dir) ||
            !Pictures::appIcon(size).save(out.filePath(dir + QStringLiteral("/yicangtong.png")))) {
            std::fprintf(stderr, "cannot write the %s icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
