#include "platform/dialog_message_service.h"
#include "temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(FileLogMessageService, RecordsEveryTextAndAnswersAsTold)
{
    lumivex::testing::TempDir dir;
    const QString log = QString::fromStdString((dir / "messages.log").string());
    lumivex::FileLogMessageService yes(log, true);
    yes.info(QStringLiteral("Error #7E"));
    EXPECT_TRUE(yes.askYesNo(QStringLiteral("System will load factory setting")));
    lumivex::FileLogMessageService no(log, false);
    EXPECT_FALSE(no.askYesNo(QStringLiteral("Screen will auto adjust")));

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("info\tError #7E\nyes\tSystem will load factory setting\nno\tScreen will auto adjust\n"));
}

// A log switched on for diagnosis answers No unless told otherwise.
TEST(FileLogMessageService, IsChosenByTheEnvironmentAndAnswersYesOnlyWhenTold)
{
    struct Row {
        const char* name;
        const char* answer;  // ZEPTA_MESSAGE_ANSWER, or null for unset
        bool yes;
    };
    const Row rows[] = {
        {"unset", nullptr, false}, {"no", "no", false},      {"yes", "yes", true},
        {"any case", "YES", true}, {"anything else", "1", false}, {"empty", "", false},
    };
    lumivex::testing::TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        qputenv("ZEPTA_MESSAGE_LOG", QByteArray::fromStdString((dir / "messages.log").string()));
        if (row.answer)
            qputenv("ZEPTA_MESSAGE_ANSWER", row.answer);
        else
            qunsetenv("ZEPTA_MESSAGE_ANSWER");
        auto logged = lumivex::makeMessageServiceFromEnvironment();
        ASSERT_NE(dynamic_cast<lumivex::FileLogMessageService*>(logged.get()), nullptr);
        EXPECT_EQ(logged->askYesNo(QStringLiteral("System will load factory setting")), row.yes);
    }
    qunsetenv("ZEPTA_MESSAGE_LOG");
    qunsetenv("ZEPTA_MESSAGE_ANSWER");
    auto shown = lumivex::makeMessageServiceFromEnvironment();
    EXPECT_NE(dynamic_cast<lumivex::DialogMessageService*>(shown.get()), nullptr);
}
