#include "app/main_form.h"

#include "app/about.h"
#include "ui/messages.h"
#include "app/pictures.h"
#include "backup/Progress_State_Unit.h"
#include "data/DataConnect1_Unit.h"
#include "ui/screens.h"
#include "data/dateformat_check.h"
#include "security/Login_Unit.h"
#include "data/session.h"
#include "security/commands.h"
#include "security/rights.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>

namespace {
MainForm* g_instance = nullptr;

} // namespace

MainForm* MainForm::instance() { return g_instance; }

std::function<void(QWidget*)>& MainForm::periodCheck() {
    static std::function<void(QWidget*)> f;
    return f;
}

std::function<void(QWidget*)>& MainForm::alertCheck() {
    static std::function<void(QWidget*)> f;
    return f;
}

MainForm::MainForm(QWidget* parent) : QMainWindow(parent) {
    g_instance = this;
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(Caption);
    QFont f;
    f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    f.setPixelSize(12);
    setFont(f);
    resize(722, 580);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

    auto* host = new QWidget(this);
    host->setObjectName(QStringLiteral("background"));
    host->installEventFilter(this);
    host->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* bgc = new QAction(QStringLiteral("背景更改"), host);
    bgc->setObjectName(QStringLiteral("BGC"));
    connect(bgc, &QAction::triggered, this, &MainForm::changeBackground);
    host->addAction(bgc);
    m_image1 = new QLabel(host);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setScaledContents(true);
    m_image1->setPixmap(Pictures::background());
    m_image1->setContextMenuPolicy(Qt::NoContextMenu);
    m_image2 = new QLabel(host);
    m_image2->setObjectName(QStringLiteral("Image2"));
    m_image2->setPixmap(Pictures::overlay());
    m_image2->setFixedSize(137, 342);
    m_image2->move(560, 40);
    m_image2->setContextMenuPolicy(Qt::NoContextMenu);
    setCentralWidget(host);

    buildMenus();
    buildToolbar();
}

void MainForm::buildMenus() {
    QMenuBar* bar = menuBar();
    for (const Commands::Menu& m : Commands::menus()) {
        QMenu* menu = bar->addMenu(m.caption);
        menu->setObjectName(m.code);
        for (const Commands::Command& c : m.entries) {
            if (c.code.isEmpty()) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(c.caption);
            a->setObjectName(c.code);
            if (!c.key.isEmpty()) a->setShortcut(QKeySequence(c.key));
            connectCommand(a, c.code, c.screen);
        }
    }
    QAction* about = bar->addAction(QStringLiteral("【关于】"));
    about->setObjectName(QStringLiteral("HH"));
    connect(about, &QAction::triggered, this, [] { Msg::runModal(longLived<About>()); });
    QAction* exit = bar->addAction(QStringLiteral("【退出系统】"));
    exit->setObjectName(QStringLiteral("EXIT_C"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

void MainForm::buildToolbar() {
    auto* tb = addToolBar(QStringLiteral("ToolBar1"));
    tb->setObjectName(QStringLiteral("ToolBar1"));
    tb->setMovable(false);
    tb->setIconSize(QSize(32, 32));
    tb->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tb->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; min-width: 41px; }"));
    struct Button {
        const char* name;
        const char* caption;
        const char* hint;
        int picture;
        const char* command; // menu code, or "" for exit
    };
    const Button buttons[] = {{"ToolButton1", "入库操作", "入库", 1, "CC10"},
                              {"ToolButton2", "出库操作", "出库", 2, "DD10"},
                              {"ToolButton3", "库存查询", "库存", 3, "EE10"},
                              {"ToolButton4", "数据备份", "备份", 4, "AA40"},
                              {"ToolButton5", "数据恢复", "恢复", 6, "AA60"},
                              {"ToolButton7", "关闭", "退出系统", 5, ""}};
    tb->addSeparator();
    for (const Button& b : buttons) {
        if (b.picture == 4 || b.picture == 5) tb->addSeparator();
        QAction* a = tb->addAction(QIcon(Pictures::toolIcon(b.picture)), QString::fromUtf8(b.caption));
        a->setToolTip(QString::fromUtf8(b.hint));
        const QString command = QString::fromLatin1(b.command);
        if (command.isEmpty()) {
            connect(a, &QAction::triggered, this, &QWidget::close);
        } else {
            connectCommand(a, command, command);
        }
        tb->widgetForAction(a)->setObjectName(QString::fromLatin1(b.name));
    }
}

void MainForm::connectCommand(QAction* action, const QString& command, const QString& screen) {
    action->setProperty("command", command);
    action->setProperty("screen", screen);
    m_commands << action;
    if (screen == QLatin1String("AA40")) {
        connect(action, &QAction::triggered, this, &MainForm::backup);
    } else {
        connect(action, &QAction::triggered, this, [this, screen] { Screens::open(screen, this); });
    }
    action->setEnabled(mayOpen(action, {}));
}

bool MainForm::mayOpen(QAction* action, const std::optional<Rights::Grant>& grant) const {
    const QString command = action->property("command").toString();
    const QString screen = action->property("screen").toString();
    if (screen != QLatin1String("AA40") && !Screens::has(screen)) return false;
    return !grant || grant->allows(command);
}

void MainForm::applyRights() {
    std::optional<Rights::Grant> grant;
    try {
        Rights::forget(); // a login: the user's rights are read anew and kept for the windows
        grant = Rights::mine();
    } catch (const DbError&) {
        grant = Rights::Grant{}; // rights that cannot be read allow nothing
    }
    for (QAction* a : std::as_const(m_commands)) a->setEnabled(mayOpen(a, grant));
}

void MainForm::backup() {
    const QString start = m_startDir.isEmpty() ? QDir::currentPath() : m_startDir;
    const QString source = DataConnect1::isOpen() ? DataConnect1::path()
                                                  : QDir(start).filePath(QStringLiteral("Data/quorvel.mdb"));
    Progress_State::runBackup(this, start, source);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        m_image1->setGeometry(centralWidget()->rect());
        if (m_image2AtCorner) placeImage2();
    }
    return QMainWindow::eventFilter(watched, event);
}

QString MainForm::settingsFile() const { return QDir::current().filePath(QStringLiteral("Dravont.ini")); }

void MainForm::placeImage2() {
    m_image2AtCorner = true;
    m_image2->move(m_image1->x() + m_image1->width() - m_image2->width() - 10,
                   m_image1->y() + m_image1->height() - m_image2->height() - 10);
}

void MainForm::loadBackgroundSetting() {
    QSettings ini(settingsFile(), QSettings::IniFormat);
    const QString value = ini.value(QStringLiteral("system/BackGround"), QStringLiteral("error")).toString();
    if (value.isEmpty()) return;
    QPixmap pm;
    if (pm.load(value)) m_image1->setPixmap(pm); // an unreadable picture keeps the built-in one
    placeImage2();
}

void MainForm::changeBackground() {
    const QString before = QDir::currentPath();
    const QString file = Msg::seam().chooseOpenFile(this, QStringLiteral("选择背景图片 — 鸿达服装软件 0571-86012345"),
                                                     QStringLiteral("图像文件 (*.bmp *.jpg)"));
    if (!file.trimmed().isEmpty()) {
        QPixmap pm;
        if (!pm.load(file)) {
            Msg::error(this, QStringLiteral("无法载入图片：%1").arg(file));
        } else {
            m_image1->setPixmap(pm);
            QDir::setCurrent(before);
            QSettings ini(settingsFile(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("system/BackGround"), file);
        }
    }
    QDir::setCurrent(before);
}

bool MainForm::runShowSequence(const QString& regionalSettingsPath) {
    {
        QSettings regional(regionalSettingsPath, QSettings::IniFormat);
        if (!DateFormatCheck::check(regional)) {
            Msg::notice(this, DateFormatCheck::Message);
            close();
            return false;
        }
    }
    showMaximized();
    m_startDir = QDir::currentPath();
    loadBackgroundSetting();
    Login_Form* login = longLived<Login_Form>();
    login->prepare();
    if (Msg::runModal(login) != QDialog::Accepted) {
        close();
        return false;
    }
    applyRights();
    if (periodCheck()) periodCheck()(this);
    if (alertCheck()) alertCheck()(this);
    return true;
}
