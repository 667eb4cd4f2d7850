#pragma once
// Dialogs for tests: answers are queued beforehand, every question is recorded.
// A question with no queued answer fails the test instead of blocking.
#include "Dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        enum Kind { Message, Question, OpenFile, SaveFile, Progress, Print, Choice, Text } kind;
        QString title;
        QString text;  // message or progress text, or the file dialog's filter
        MsgIcon icon = MsgIcon::None;
        FileRequest request;  // for the file dialogs
        QStringList buttons;  // for a choice
    };

    void message(const QString &text, MsgIcon icon, const QString &title) override;
    bool question(const QString &title, const QString &text, MsgIcon icon) override;
    int choose(const QString &title, const QString &text, MsgIcon icon, const QStringList &buttons) override;
    std::optional<QString> askText(const QString &title, const QString &label, const QString &text) override;
    std::optional<QString> openFile(const FileRequest &request) override;
    std::optional<QString> saveFile(const FileRequest &request) override;
    // Runs the task at once; the operator cancels it once it reports the
    // percentage queued with cancelProgressAt (nothing queued: never).
    bool progress(const QString &text, ProgressTask &task) override;
    // The operator prints from the preview: the pages go to the PDF file
    // queued with printInto, or the reason queued with noPrinter comes back.
    QString printPreview(PrintJob &job) override;

    // Queue answers, used in order.
    void answerQuestion(bool yes) { questions.push_back(yes); }
    // The button pressed, by its name.
    void answerChoice(const QString &button) { choices.push_back(button); }
    // The text typed (nothing: cancelled).
    void answerText(std::optional<QString> text) { texts.push_back(std::move(text)); }
    void answerOpen(std::optional<QString> path) { opens.push_back(std::move(path)); }
    void answerSave(std::optional<QString> path) { saves.push_back(std::move(path)); }
    void cancelProgressAt(int percent) { progressCancels.push_back(percent); }
    void printInto(const QString &pdfPath) { prints.push_back({pdfPath, {}}); }
    void noPrinter(const QString &reason) { prints.push_back({{}, reason}); }

    // All messages shown so far (texts only).
    QStringList messages() const;
    int count(Asked::Kind kind) const;

    // Runs while a box or dialog is "open", after it was recorded: what the
    // program receives meanwhile (impulses from the module, key presses).
    std::function<void(const Asked &)> whileOpen;

    std::deque<bool> questions;
    std::deque<QString> choices;
    std::deque<std::optional<QString>> texts;
    std::deque<std::optional<QString>> opens;
    std::deque<std::optional<QString>> saves;
    std::deque<int> progressCancels;
    struct PrintAnswer {
        QString pdfPath;
        QString reason;
    };
    std::deque<PrintAnswer> prints;
    std::vector<Asked> asked;

private:
    void WhileOpen();
};
