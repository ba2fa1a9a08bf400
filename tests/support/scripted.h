#pragma once
// Replaces every message box, question and modal showing: records what the application shows and
// answers from a script, so no test waits in a modal loop.
#include "ui/messages.h"

#include <QList>
#include <QStringList>
#include <functional>

class ScriptedSeam : public MessageSeam {
public:
    ScriptedSeam() { Msg::install(this); }
    ~ScriptedSeam() override { Msg::install(nullptr); }

    QStringList shown;               // every text shown, in order
    QStringList kinds;               // "notice", "dravont", "ask", "confirm", "error"
    QList<bool> answers;             // answers to questions, taken from the front; No when empty
    QStringList modals;              // object names of the dialogs shown modally
    std::function<int(QDialog*)> onModal; // drives a modal dialog; default: rejected at once
    QString openFile;               // what the file chooser returns
    QString saveFile;                // what the file-save chooser returns (empty: given up)
    QStringList saveSuggested;       // the names the file-save chooser was offered
    std::function<int(QDialog*)> onPreview; // drives a print preview; default: closed at once

    QString last() const { return shown.isEmpty() ? QString() : shown.last(); }
    void reset() {
        shown.clear();
        kinds.clear();
        modals.clear();
    }

    void notice(QWidget*, const QString& t) override { record("notice", t); }
    void dravont(QWidget*, const QString& t) override { record("dravont", t); }
    bool askDravont(QWidget*, const QString& t) override { return record("ask", t), answer(); }
    bool confirm(QWidget*, const QString& t, bool yesOnly) override {
        record("confirm", t);
        return yesOnly ? true : answer();
    }
    void error(QWidget*, const QString& t) override { record("error", t); }
    int runModal(QDialog* d) override;
    QString chooseOpenFile(QWidget*, const QString&, const QString&) override { return openFile; }
    QString chooseSaveFile(QWidget*, const QString&, const QString& suggested, const QString&) override {
        saveSuggested << suggested;
        return saveFile;
    }
    int printPreview(QDialog* d) override;

private:
    void record(const char* kind, const QString& t) {
        kinds << QString::fromLatin1(kind);
        shown << t;
    }
    bool answer() { return answers.isEmpty() ? false : answers.takeFirst(); }
};
