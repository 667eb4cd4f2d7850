#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <QPdfWriter>

namespace {
std::optional<QString> TakeFront(std::deque<std::optional<QString>> &queue)
{
    std::optional<QString> answer;
    if (queue.front())
        answer.emplace(*queue.front());
    queue.pop_front();
    return answer;
}
}  // namespace

void ScriptedDialogs::message(const QString &text, MsgIcon icon, const QString &title)
{
    asked.push_back({Asked::Message, title, text, icon, {}, {}});
    WhileOpen();
}

bool ScriptedDialogs::question(const QString &title, const QString &text, MsgIcon icon)
{
    asked.push_back({Asked::Question, title, text, icon, {}, {}});
    WhileOpen();
    if (questions.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool yes = questions.front();
    questions.pop_front();
    return yes;
}

int ScriptedDialogs::choose(const QString &title, const QString &text, MsgIcon icon, const QStringList &buttons)
{
    asked.push_back({Asked::Choice, title, text, icon, {}, buttons});
    WhileOpen();
    if (choices.empty()) {
        ADD_FAILURE() << "unexpected choice: " << text.toStdString();
        return int(buttons.size()) - 1;
    }
    const QString button = choices.front();
    choices.pop_front();
    const qsizetype index = buttons.indexOf(button);
    if (index < 0)
        ADD_FAILURE() << "no button " << button.toStdString() << " in: " << text.toStdString();
    return index < 0 ? int(buttons.size()) - 1 : int(index);
}

std::optional<QString> ScriptedDialogs::askText(const QString &title, const QString &label, const QString &text)
{
    asked.push_back({Asked::Text, title, label, MsgIcon::None, {}, {text}});
    WhileOpen();
    if (texts.empty()) {
        ADD_FAILURE() << "unexpected text request: " << label.toStdString();
        return std::nullopt;
    }
    std::optional<QString> answer = texts.front();
    texts.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::openFile(const FileRequest &request)
{
    asked.push_back({Asked::OpenFile, request.title, request.filter, MsgIcon::None, request, {}});
    WhileOpen();
    if (opens.empty()) {
        ADD_FAILURE() << "unexpected open dialog: " << request.title.toStdString();
        return std::nullopt;
    }
    return TakeFront(opens);
}

std::optional<QString> ScriptedDialogs::saveFile(const FileRequest &request)
{
    asked.push_back({Asked::SaveFile, request.title, request.filter, MsgIcon::None, request, {}});
    WhileOpen();
    if (saves.empty()) {
        ADD_FAILURE() << "unexpected save dialog: " << request.title.toStdString();
        return std::nullopt;
    }
    return TakeFront(saves);
}

bool ScriptedDialogs::progress(const QString &text, ProgressTask &task)
{
    asked.push_back({Asked::Progress, {}, text, MsgIcon::None, {}, {}});
    WhileOpen();
    QMetaObject::Connection cancelling;
    if (!progressCancels.empty()) {
        const int at = progressCancels.front();
        progressCancels.pop_front();
        cancelling = QObject::connect(&task, &ProgressTask::progressed, [&task, at](int percent) {
            if (percent >= at)
                task.cancel();
        });
    }
    task.run();
    QObject::disconnect(cancelling);
    return !task.cancelRequested();
}

QString ScriptedDialogs::printPreview(PrintJob &job)
{
    asked.push_back({Asked::Print, job.title(), {}, MsgIcon::None, {}});
    WhileOpen();
    if (prints.empty()) {
        ADD_FAILURE() << "unexpected print preview: " << job.title().toStdString();
        return QStringLiteral("no answer queued");
    }
    const PrintAnswer answer = prints.front();
    prints.pop_front();
    if (!answer.reason.isEmpty())
        return answer.reason;
    QPdfWriter printer(answer.pdfPath);
    job.setUpPage(printer);
    job.print(printer);
    return {};
}

void ScriptedDialogs::WhileOpen()
{
    if (whileOpen) {
        // A copy: the hook may ask again, which appends to `asked`.
        const Asked current = asked.back();
        whileOpen(current);
    }
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const auto &a : asked)
        if (a.kind == Asked::Message)
            out << a.text;
    return out;
}

int ScriptedDialogs::count(Asked::Kind kind) const
{
    int n = 0;
    for (const auto &a : asked)
        n += a.kind == kind;
    return n;
}
