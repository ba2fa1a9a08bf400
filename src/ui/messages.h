#pragma once
// The one seam for message boxes, questions, file dialogs and modal showing. The application
// installs the real boxes; tests install a script that records the texts and gives the answers.
#include <QString>

class QDialog;
class QWidget;

class MessageSeam {
public:
    virtual ~MessageSeam() = default;
    // Plain notice with an OK button, titled with the application title.
    virtual void notice(QWidget* parent, const QString& text) = 0;
    // Box titled "Dravont" with an OK button.
    virtual void dravont(QWidget* parent, const QString& text) = 0;
    // Box titled "Dravont" with Yes and No; true on Yes.
    virtual bool askDravont(QWidget* parent, const QString& text) = 0;
    // Confirmation box with a question icon: Yes/No, or a single Yes button.
    virtual bool confirm(QWidget* parent, const QString& text, bool yesOnly = false) = 0;
    // The general error box with the engine's (or the system's) error text.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // Shows a dialog modally and returns its result.
    virtual int runModal(QDialog* dialog) = 0;
    // The file-open chooser (pictures, spreadsheets); an empty text when nothing was chosen.
    virtual QString chooseOpenFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // The file-save chooser, starting at `suggested`; an empty text when given up.
    virtual QString chooseSaveFile(QWidget*, const QString& /*title*/, const QString& /*suggested*/,
                                   const QString& /*filter*/) {
        return {};
    }
    // The print preview: shows it modally; its print button prints. Returns the dialog's result.
    virtual int printPreview(QDialog* preview) { return runModal(preview); }
};

namespace Msg {
inline const QString AppTitle = QStringLiteral("衣仓通6.01");
// A row command pressed with no row of the list chosen.
inline const QString NoRowChosen = QStringLiteral("请先选择一条记录。");
MessageSeam& seam();
void install(MessageSeam* seam); // not owned; nullptr restores the real boxes
// While a statement waits for another running copy's lock, the mouse cursor is the hourglass.
void installBusyCursor();

inline void notice(QWidget* p, const QString& t) { seam().notice(p, t); }
inline void dravont(QWidget* p, const QString& t) { seam().dravont(p, t); }
inline bool askDravont(QWidget* p, const QString& t) { return seam().askDravont(p, t); }
inline bool confirm(QWidget* p, const QString& t, bool yesOnly = false) { return seam().confirm(p, t, yesOnly); }
inline void error(QWidget* p, const QString& t) { seam().error(p, t); }
inline int runModal(QDialog* d) { return seam().runModal(d); }
inline QString chooseSaveFile(QWidget* p, const QString& title, const QString& suggested, const QString& filter) {
    return seam().chooseSaveFile(p, title, suggested, filter);
}
inline int printPreview(QDialog* d) { return seam().printPreview(d); }
} // namespace Msg

// Runs a piece of screen work; a database or other error is shown in the general error box and
// the application goes on. Returns false when the work failed.
template <class F> bool guarded(QWidget* parent, F&& work);

#include <exception>
#include "data/sql.h"
template <class F> bool guarded(QWidget* parent, F&& work) {
    try {
        work();
        return true;
    } catch (const DbError& e) {
        Msg::error(parent, e.text());
    } catch (const std::exception& e) {
        Msg::error(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
