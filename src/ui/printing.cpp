#include "ui/printing.h"

#include "ui/messages.h"

#include <QAction>
#include <QComboBox>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>
#include <cstdio>

namespace Printing {
QFont font(double pointSize, bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback"),
                   QStringLiteral("Noto Sans CJK SC")});
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setKerning(false);
    return f;
}

bool writeThrough(const QString& path, const std::function<bool(const QString&)>& write, QString* error) {
    QTemporaryFile temp(QFileInfo(path).absoluteDir().filePath(QStringLiteral(".print-XXXXXX.") +
                                                                QFileInfo(path).suffix()));
    if (!temp.open()) {
        if (error) *error = temp.errorString();
        return false;
    }
    temp.close();
    if (!write(temp.fileName())) return false;
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        if (error) *error = QStringLiteral("无法写入文件 %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}

bool writePdf(const Preview& p, const QString& path, int paper, QString* error) {
    return writeThrough(
        path,
        [&](const QString& temp) {
            QPdfWriter w(temp);
            w.setPageLayout(p.layout(paper));
            w.setTitle(p.title);
            w.setCreator(Msg::AppTitle);
            p.paint(&w, paper);
            return true;
        },
        error);
}

void preview(QWidget* parent, const Preview& p) {
    QPrinter printer(QPrinter::HighResolution);
    int paper = p.paper;
    printer.setPageLayout(p.layout(paper));
    printer.setDocName(p.title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(p.objectName);
    dialog.setWindowTitle(QStringLiteral("打印预览 - ") + p.title);
    dialog.resize(900, 760);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter* pr) { p.paint(pr, paper); });
    if (auto* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        auto* papers = new QComboBox(bar);
        papers->setObjectName(QStringLiteral("paper"));
        papers->addItems(p.papers);
        papers->setCurrentIndex(paper);
        bar->addWidget(papers);
        QObject::connect(papers, &QComboBox::currentIndexChanged, &dialog, [&, papers] {
            paper = papers->currentIndex();
            if (p.chosen) p.chosen(paper);
            printer.setPageLayout(p.layout(paper));
            if (auto* w = dialog.findChild<QPrintPreviewWidget*>()) w->updatePreview();
        });
        QAction* pdf = bar->addAction(QStringLiteral("导出PDF…"));
        pdf->setObjectName(QStringLiteral("exportPdf"));
        QObject::connect(pdf, &QAction::triggered, &dialog, [&] {
            const QString suggested = QDir::home().filePath(p.fileName + QStringLiteral(".pdf"));
            QString path = Msg::chooseSaveFile(&dialog, QStringLiteral("导出PDF"), suggested, QStringLiteral("PDF (*.pdf)"));
            if (path.isEmpty()) return;
            if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) path += QStringLiteral(".pdf");
            QString error;
            if (writePdf(p, path, paper, &error))
                Msg::notice(&dialog, QStringLiteral("已导出到 %1").arg(QDir::toNativeSeparators(path)));
            else
                Msg::error(&dialog, error);
        });
    }
    Msg::printPreview(&dialog);
}
} // namespace Printing
