#pragma once
// A message service for tests: records every text and answers questions
// from a script (Yes when the script runs out).

#include "platform/message_service.h"

#include <QStringList>

#include <deque>

namespace lumivex::testing {

class RecordingMessages final : public MessageService {
public:
    void info(const QString& text) override { texts << text; }
    bool askYesNo(const QString& text) override
    {
        texts << text;
        questions << text;
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList texts;              // every box, in order
    QStringList questions;          // the Yes/No ones
    std::deque<bool> answers;       // scripted answers to questions
};

}  // namespace lumivex::testing
