// The message sink of a program without windows: a notice is never a
// problem, whatever its text; anything else is, with the caller's code.

#include "control/outcome.h"
#include "control/quiet_messages.h"

#include <gtest/gtest.h>

using namespace lumivex::control;

TEST(QuietMessages, NoticesAreNotesOnlyWithVerboseAndNeverTheProblem)
{
    const struct {
        const char* name;
        bool verbose;
        bool notice;  // said as a notice, else as info
        QStringList notes;
        const char* failure;  // "" when nothing is thrown
    } rows[] = {
        {"a notice, quiet", false, true, {}, ""},
        {"a notice, verbose", true, true, {"Open COM1 successfully"}, ""},
        {"the same text as info is the problem", false, false, {}, "COM1: Open COM1 successfully"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList notes;
        QuietMessages messages(row.verbose, notes);
        messages.setLinkName(QStringLiteral("COM1"));
        const QString text = QStringLiteral("Open COM1 successfully");
        row.notice ? messages.notice(text) : messages.info(text);
        QString failure;
        try {
            messages.throwIfProblem(kExitNoLink);
        } catch (const Failure& f) {
            EXPECT_EQ(f.code, kExitNoLink);
            failure = f.line;
        }
        EXPECT_EQ(notes, row.notes);
        EXPECT_EQ(failure, QLatin1String(row.failure));
    }
}
