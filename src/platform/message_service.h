#pragma once
// Every message box of the panel goes through this service, so that tests
// can answer and record them and the panel shows them the same way
// everywhere: modal, the application's name as title.

#include <QString>

namespace lumivex {

class MessageService {
public:
    virtual ~MessageService() = default;
    // An information box with an OK button.
    virtual void info(const QString& text) = 0;
    // A notice that something succeeded: a box like info() unless the
    // service keeps such notices apart (a program without windows).
    virtual void notice(const QString& text) { info(text); }
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
};

}  // namespace lumivex
