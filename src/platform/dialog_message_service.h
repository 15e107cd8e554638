#pragma once
// The message service of a program with windows: boxes over the active
// window, or a log file for scripted runs.

#include "platform/message_service.h"

#include <memory>

namespace lumivex {

// QMessageBox over the active window (the sheet is topmost, so a box
// without an owner could open behind it).
class DialogMessageService final : public MessageService {
public:
    void info(const QString& text) override;
    bool askYesNo(const QString& text) override;
};

// Appends every text to a file instead of showing it and answers every
// question with a fixed answer. Chosen at start-up by ZEPTA_MESSAGE_LOG
// (and ZEPTA_MESSAGE_ANSWER=yes; anything else, or nothing, answers No), so that scripted runs of the real
// program never wait on a box nobody can see.
class FileLogMessageService final : public MessageService {
public:
    FileLogMessageService(QString logPath, bool answerYes);
    void info(const QString& text) override;
    bool askYesNo(const QString& text) override;

private:
    void append(const QString& kind, const QString& text);
    QString m_logPath;
    bool m_answerYes;
};

// The service the program uses, chosen from the environment.
std::unique_ptr<MessageService> makeMessageServiceFromEnvironment();

}  // namespace lumivex
