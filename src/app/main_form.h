#pragma once
// The main window: menus, toolbar, background pictures and the show sequence after start-up.
#include <QMainWindow>
#include <functional>
#include <optional>

namespace Rights {
struct Grant;
}

class QAction;
class QLabel;

class MainForm : public QMainWindow {
    Q_OBJECT
public:
    static inline const QString Caption =
        QStringLiteral("衣仓通6.01-------鸿达服装软件经销部（0571-86012345）");

    explicit MainForm(QWidget* parent = nullptr);
    static MainForm* instance();

    // Runs once when the window is first shown; false when the application must end.
    bool runShowSequence(const QString& regionalSettingsPath);
    // Step 6 of the show sequence (the accounting-period check), installed by its screen.
    static std::function<void(QWidget*)>& periodCheck();
    // Last step: the stock alerts, installed by their screen.
    static std::function<void(QWidget*)>& alertCheck();

    QString startDirectory() const { return m_startDir; }
    QString settingsFile() const;
    void loadBackgroundSetting();
    void changeBackground();
    void placeImage2();
    // The backup command ("备份", "数据备份") of the database below the start directory.
    void backup();
    // Enables the commands the logged-in user may use (after the login, and when rights change).
    void applyRights();

    QLabel* image1() const { return m_image1; }
    QLabel* image2() const { return m_image2; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void connectCommand(QAction* action, const QString& command, const QString& screen);
    // Without a grant: whether the command's window exists at all.
    bool mayOpen(QAction* action, const std::optional<Rights::Grant>& grant) const;
    QList<QAction*> m_commands;
    QLabel* m_image1 = nullptr;
    QLabel* m_image2 = nullptr;
    QString m_startDir;
    bool m_image2AtCorner = false;
};
