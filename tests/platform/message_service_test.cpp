#include "message_service.h"
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

TEST(FileLogMessageService, IsChosenByTheEnvironment)
{
    qputenv("ZEPTA_MESSAGE_LOG", "/tmp/unused.log");
    qputenv("ZEPTA_MESSAGE_ANSWER", "No");
    auto logged = lumivex::makeMessageServiceFromEnvironment();
    EXPECT_NE(dynamic_cast<lumivex::FileLogMessageService*>(logged.get()), nullptr);
    qunsetenv("ZEPTA_MESSAGE_LOG");
    qunsetenv("ZEPTA_MESSAGE_ANSWER");
    auto shown = lumivex::makeMessageServiceFromEnvironment();
    EXPECT_NE(dynamic_cast<lumivex::DialogMessageService*>(shown.get()), nullptr);
}
