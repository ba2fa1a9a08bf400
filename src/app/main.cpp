// 衣仓通: start-up sequence.
#include "app/about.h"
#include "app/language.h"
#include "app/main_form.h"
#include "app/pictures.h"
#include "ui/messages.h"
#include "ui/screens.h"
#include "app/splash.h"
#include "backup/Progress_State_Unit.h"
#include "backup/backup.h"
#include "closing/GG10_Unit.h"
#include "queries/EE50_Unit.h"
#include "data/DataConnect1_Unit.h"
#include "data/dateformat_check.h"
#include "data/server.h"
#include "data/server_copy.h"
#include "masterdata/BB10_Unit.h"
#include "masterdata/BB20_Unit.h"
#include "masterdata/BB30_Unit.h"
#include "masterdata/BB40_Unit.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/Group_style_select_Unit.h"
#include "security/AA20_Unit.h"
#include "security/Login_Unit.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {
// Errors that escape a screen's handler are shown, and the application goes on.
class App : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const DbError& e) {
            Msg::error(nullptr, e.text());
        } catch (const std::exception& e) {
            Msg::error(nullptr, QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};

void print(FILE* to, const QString& line) { std::fprintf(to, "%s\n", line.toLocal8Bit().constData()); }

// The server of the [server] section of Dravont.ini, or an empty string for the file.
QString serverLocation() {
    const QString location = DataConnect1::configuredLocation();
    return Server::isServerLocation(location) ? location : QString();
}

void openDatabase(QWidget* parent) {
    const QString path = DataConnect1::configuredLocation();
    try {
        if (Server::isServerLocation(path)) {
            DataConnect1::open(path); // an empty server database gets the schema
            return;
        }
        // A file on a network share is neither opened nor made there: the site needs the server.
        if (DataConnect1::onNetworkFileSystem(path)) {
            Msg::error(parent, DataConnect1::networkShareMessage(path));
            return;
        }
        if (!QFileInfo::exists(path)) {
            if (Msg::confirm(parent, QStringLiteral("数据库文件 DATA/quorvel.mdb 不存在，是否创建新的数据库？")))
                DataConnect1::create(path);
            return;
        }
        DataConnect1::open(path);
    } catch (const DbError& e) {
        Msg::error(parent, e.text()); // start-up goes on without a connection
    }
}

// yicangtong --copy-to-server [postgresql://user@host:port/database]: moves DATA/quorvel.mdb into an
// empty server database (by default the one of Dravont.ini's [server] section), without a display.
int copyToServer(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    const QStringList args = core.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--copy-to-server"));
    QString target = at + 1 < args.size() ? args.at(at + 1) : QString();
    if (target.isEmpty()) target = serverLocation();
    if (target.isEmpty()) {
        print(stderr, QStringLiteral("没有数据库服务器：请在命令行给出 postgresql://用户@主机:端口/数据库，"
                                     "或在 Dravont.ini 的 [server] 一节中填写服务器。"));
        return 2;
    }
    const QString source = DataConnect1::defaultPath();
    print(stdout, QStringLiteral("复制 %1 到 %2").arg(QDir::toNativeSeparators(source), Server::shown(target)));
    const ServerCopy::Result r = ServerCopy::copy(source, target, [](const QString& line) {
        print(stdout, line);
        std::fflush(stdout);
    });
    if (!r.figures.isEmpty()) print(stdout, QStringLiteral("核对："));
    for (const ServerCopy::Figure& f : r.figures) print(stdout, QStringLiteral("  ") + ServerCopy::describe(f));
    if (!r.ok()) {
        print(stderr, r.error);
        print(stderr, QStringLiteral("没有复制：服务器上的数据库保持原样。"));
        return 1;
    }
    print(stdout, QStringLiteral("复制完毕，核对无误：%1 项数字两边相同。").arg(r.figures.size()));
    return 0;
}

// Used by ./run on first use: a new database without questions, and without a display.
int createDatabase(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    const QString path = DataConnect1::configuredLocation();
    const bool server = Server::isServerLocation(path);
    if (!server && QFileInfo::exists(path)) return 0;
    try {
        if (server) {
            DataConnect1::open(path);
            std::printf("数据库服务器已就绪：%s\n", Server::shown(path).toLocal8Bit().constData());
            return 0;
        }
        DataConnect1::create(path);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
    std::printf("新数据库已创建：%s\n", path.toLocal8Bit().constData());
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--create-database") == 0) return createDatabase(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--copy-to-server") == 0) return copyToServer(argc, argv);

    App app(argc, argv);
    Backup::removeLeftovers(Backup::archiveFolder(QDir::currentPath())); // of backups killed earlier
    Msg::installBusyCursor();
    App::setApplicationName(QStringLiteral("yicangtong")); // the window class the desktop entry names
    Language::install(app);
    App::setDesktopFileName(QStringLiteral("yicangtong"));
    QIcon icon;
    for (int size : {16, 32, 48, 256}) icon.addPixmap(QPixmap::fromImage(Pictures::appIcon(size)));
    App::setWindowIcon(icon);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    App::setFont(font);

    FormSplash splash;
    splash.show();
    splash.repaint();
    App::processEvents();

    Screens::registerAll();
    MainForm main;
    openDatabase(&splash);
    longLived<About>();
    longLived<Login_Form>()->setParent(&main, Qt::Dialog);
    longLived<AA201_form>();
    longLived<AA202_form>();
    longLived<TBB201_form>();
    longLived<TBB202_form>();
    longLived<TBB301_form>();
    longLived<TBB302_form>();
    longLived<TBB401_form>();
    longLived<TBB402_form>();
    longLived<TBB101_form>();
    longLived<Progress_State>(); // centred on the main window whenever a backup shows it
    longLived<TGG10_form>();
    MainForm::periodCheck() = [](QWidget* parent) { TGG10_form::periodCheck(parent); };
    MainForm::alertCheck() = [](QWidget* parent) { TEE50_form::loginCheck(parent); };
    longLived<Group_style_select_form>();
    longLived<Group_Grid_form>();
    splash.holdAndClose(2000);

    main.show();
    QTimer::singleShot(0, &main, [&main] {
        if (!main.runShowSequence(DateFormatCheck::settingsPath())) App::quit();
    });
    return App::exec();
}
