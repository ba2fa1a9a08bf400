#include "fields/scanfield.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>

ScanEdit::ScanEdit(QWidget* parent) : QLineEdit(parent) {}

bool ScanEdit::event(QEvent* e) {
    // Seen before the focus chain takes Tab and before the dialog's default button takes Enter.
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab) && !text().trimmed().isEmpty()) {
            e->accept();
            const QString code = text().trimmed();
            clear();
            emit codeEnded(code);
            return true;
        }
    }
    return QLineEdit::event(e);
}

ScanField::ScanField(QWidget* parent, const QString& name, bool commitBox) : QWidget(parent) {
    setObjectName(name + QStringLiteral("_panel"));
    m_edit = new ScanEdit(this);
    m_edit->setObjectName(name);
    m_edit->setMaxLength(64);
    m_edit->setMinimumWidth(150);
    m_count = new QLabel(this);
    m_count->setObjectName(name + QStringLiteral("_pieces"));
    m_unknown = new QListWidget(this);
    m_unknown->setObjectName(name + QStringLiteral("_unknown"));
    m_unknown->setFocusPolicy(Qt::NoFocus);
    m_unknown->setMaximumHeight(m_edit->sizeHint().height() * 2);
    m_unknown->setMaximumWidth(180);
    m_unknown->setToolTip(QStringLiteral("未知条码"));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("条码："), this);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    h->addWidget(caption);
    h->addWidget(m_edit);
    h->addWidget(m_count);
    if (commitBox) {
        m_commit = new QCheckBox(QStringLiteral("扫描即确定"), this);
        m_commit->setObjectName(QStringLiteral("scan_commit"));
        m_commit->setFocusPolicy(Qt::NoFocus);
        h->addWidget(m_commit);
    }
    m_message = new QLabel(this);
    m_message->setObjectName(name + QStringLiteral("_message"));
    QPalette red = m_message->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_message->setPalette(red);
    h->addWidget(m_message, 1);
    h->addWidget(new QLabel(QStringLiteral("未知条码："), this));
    h->addWidget(m_unknown);
    resetPieces();
    connect(m_edit, &ScanEdit::codeEnded, this, &ScanField::take);
}

void ScanField::leaveTabChain() { m_edit->setFocusPolicy(Qt::ClickFocus); }

void ScanField::resetPieces() {
    m_pieces = 0;
    m_count->setText(QStringLiteral("已扫描 0 件"));
}

void ScanField::say(const QString& text) { m_message->setText(text); }

void ScanField::beep() { QApplication::beep(); }

void ScanField::take(const QString& code) {
    const Answer a = handler ? handler(code) : Answer::Unknown;
    switch (a) {
    case Answer::Taken:
        ++m_pieces;
        m_count->setText(QStringLiteral("已扫描 %1 件").arg(m_pieces));
        break;
    case Answer::Unknown: {
        beep();
        auto* item = new QListWidgetItem(code);
        item->setForeground(Qt::red);
        m_unknown->insertItem(0, item);
        break;
    }
    case Answer::Refused:
        beep();
        break;
    }
    // A handler that moved the focus (a refusal at its field) gives it back for the next code.
    if (!m_edit->hasFocus()) m_edit->setFocus();
    emit scanned(a);
}
