#include "QtDialogs.h"

#include "AtomicFile.h"
#include "TikomatError.h"

#include <QApplication>
#include <QBoxLayout>
#include <QBuffer>
#include <QLabel>
#include <QPdfWriter>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>
#include <QThread>

#include <memory>

namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString TitleOrApplication(const QString &title)
{
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

std::optional<QString> RunFileDialog(const FileRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QString filter = ToQtFileFilter(request.filter);
    if (!filter.isEmpty())
        dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedPath.isEmpty()) {
        const QFileInfo proposed(request.proposedPath);
        if (proposed.isDir()) {
            dialog.setDirectory(proposed.absoluteFilePath());
        } else {
            dialog.setDirectory(proposed.absolutePath());
            dialog.selectFile(proposed.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.front();
}

}  // namespace

QString ToQtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        if (i + 1 >= parts.size()) {
            // A description without its pattern: Qt takes it as it stands.
            if (!description.isEmpty())
                out << description;
            break;
        }
        QString patterns = parts.at(i + 1).trimmed();
        patterns.replace(u';', u' ');
        patterns = patterns.simplified();
        if (patterns.isEmpty()) {
            if (!description.isEmpty())
                out << description;
            continue;
        }
        const QString suffix = u'(' + patterns + u')';
        if (description.isEmpty())
            description = suffix;
        else if (!description.endsWith(suffix))
            description += u' ' + suffix;
        out << description;
    }
    return out.join(QStringLiteral(";;"));
}

void QtDialogs::message(const QString &text, MsgIcon icon, const QString &title)
{
    QMessageBox box(ToQtIcon(icon), TitleOrApplication(title), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::question(const QString &title, const QString &text, MsgIcon icon)
{
    QMessageBox box(ToQtIcon(icon), TitleOrApplication(title), text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int QtDialogs::choose(const QString &title, const QString &text, MsgIcon icon, const QStringList &buttons)
{
    QMessageBox box(ToQtIcon(icon), TitleOrApplication(title), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QList<QAbstractButton *> added;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        added << box.addButton(buttons[i], i + 1 < buttons.size() ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    if (added.isEmpty())
        return -1;
    // Enter, like Esc, presses the button that changes nothing: a choice that
    // changes data is made with a deliberate click or its accelerator.
    box.setDefaultButton(qobject_cast<QPushButton *>(added.last()));
    box.setEscapeButton(added.last());
    box.exec();
    const qsizetype pressed = added.indexOf(box.clickedButton());
    return pressed >= 0 ? int(pressed) : int(added.size()) - 1;
}

std::optional<QString> QtDialogs::askText(const QString &title, const QString &label, const QString &text)
{
    bool ok = false;
    const QString typed = QInputDialog::getText(QApplication::activeWindow(), TitleOrApplication(title), label,
                                                QLineEdit::Normal, text, &ok);
    return ok ? std::optional<QString>(typed) : std::nullopt;
}

std::optional<QString> QtDialogs::openFile(const FileRequest &request)
{
    return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFile(const FileRequest &request)
{
    return RunFileDialog(request, QFileDialog::AcceptSave);
}

bool QtDialogs::progress(const QString &text, ProgressTask &task)
{
    QProgressDialog dialog(text, QStringLiteral("Zrušit"), 0, 100, QApplication::activeWindow());
    dialog.setWindowTitle(TitleOrApplication({}));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);

    QEventLoop loop;
    const std::unique_ptr<QThread> worker(QThread::create([&task] { task.run(); }));
    // Both arrive queued: the task reports from the worker's thread.
    QObject::connect(&task, &ProgressTask::progressed, &dialog, &QProgressDialog::setValue);
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&task] { task.cancel(); });
    worker->start();
    dialog.show();
    loop.exec();
    worker->wait();
    return !task.cancelRequested();
}

QString QtDialogs::NoPrinterText()
{
    return QStringLiteral("V systému není nastavena žádná tiskárna (nebo neběží tisková služba CUPS). "
                          "Stránky můžete uložit jako PDF a vytisknout jinde.");
}

void QtDialogs::SaveJobAsPdf(PrintJob &job)
{
    const std::optional<QString> path = saveFile({QStringLiteral("Výsledky do PDF"),
                                                  QStringLiteral("Soubory PDF (*.pdf)|*.pdf|Všechny soubory (*.*)|*.*"),
                                                  QStringLiteral("pdf"),
                                                  {}});
    if (!path)
        return;
    // Made whole in memory first: a failure never leaves part of a file.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool painted = false;
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Tikomat"));
        writer.setTitle(job.title());
        writer.setResolution(600);
        job.setUpPage(writer);
        painted = job.print(writer);
    }
    try {
        if (!painted)
            throw TikomatError(QStringLiteral("PDF nelze vytvořit"));
        WriteFileAtomically(*path, buffer.data());
    } catch (const TikomatError &e) {
        message(QStringLiteral("Chyba při ukládání: ") + e.text, MsgIcon::Critical);
    }
}

QString QtDialogs::printPreview(PrintJob &job)
{
    // Without a printer the preview still shows the pages as they will be
    // printed (A4, set up by the job), and offers them as a PDF instead.
    const bool noPrinter = QPrinterInfo::availablePrinterNames().isEmpty();
    QPrinter printer(QPrinter::HighResolution);
    if (noPrinter)
        printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setDocName(job.title());
    job.setUpPage(printer);
    QPrintPreviewDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Náhled tisku – ") + job.title());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&job](QPrinter *target) { job.print(*target); });
    if (noPrinter) {
        auto *note = new QLabel(NoPrinterText(), &dialog);
        note->setObjectName(QStringLiteral("lblBezTiskarny"));
        note->setWordWrap(true);
        auto *save = new QPushButton(QStringLiteral("Uložit PDF..."), &dialog);
        save->setObjectName(QStringLiteral("btnUlozitPdf"));
        QObject::connect(save, &QPushButton::clicked, &dialog, [this, &job] { SaveJobAsPdf(job); });
        auto *row = new QHBoxLayout;
        row->addWidget(note, 1);
        row->addWidget(save);
        if (auto *box = qobject_cast<QBoxLayout *>(dialog.layout()))
            box->addLayout(row);
    }
    dialog.exec();
    return {};
}
