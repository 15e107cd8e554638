#include "platform/dialog_message_service.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QWidget>

namespace lumivex {

namespace {

QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons)
{
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    QMessageBox box(icon, QApplication::applicationName(), text, buttons, owner);
    if (!owner)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void DialogMessageService::info(const QString& text)
{
    showBox(QMessageBox::Information, text, QMessageBox::Ok);
}

bool DialogMessageService::askYesNo(const QString& text)
{
    return showBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

FileLogMessageService::FileLogMessageService(QString logPath, bool answerYes)
    : m_logPath(std::move(logPath))
    , m_answerYes(answerYes)
{
}

void FileLogMessageService::info(const QString& text)
{
    append(QStringLiteral("info"), text);
}

bool FileLogMessageService::askYesNo(const QString& text)
{
    append(m_answerYes ? QStringLiteral("yes") : QStringLiteral("no"), text);
    return m_answerYes;
}

void FileLogMessageService::append(const QString& kind, const QString& text)
{
    QFile file(m_logPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    file.write((kind + QLatin1Char('\t') + text + QLatin1Char('\n')).toUtf8());
}

std::unique_ptr<MessageService> makeMessageServiceFromEnvironment()
{
    const QString log = qEnvironmentVariable("ZEPTA_MESSAGE_LOG");
    if (log.isEmpty())
        return std::make_unique<DialogMessageService>();
    // A log switched on for diagnosis must never confirm a factory reset or a
    // power-off by itself: only an explicit "yes" answers Yes.
    const bool yes = qEnvironmentVariable("ZEPTA_MESSAGE_ANSWER")
                         .compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    return std::make_unique<FileLogMessageService>(log, yes);
}

}  // namespace lumivex
