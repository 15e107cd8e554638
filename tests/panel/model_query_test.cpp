// The model query when the DDC/CI read fails: nothing changes and nothing
// is shown. The answers of both links are tested on the Interface page.

#include "link/link_state.h"
#include "panel/model_query.h"
#include "link/ddc/monitor_table.h"
#include "recording_ddc.h"
#include "recording_messages.h"

#include <gtest/gtest.h>

using namespace lumivex;

TEST(ModelQuery, AFailedDdcReadLeavesTitleAndIndexSilently)
{
    lumivex::testing::RecordingDdc ddc;
    ddc.readStatus = 1;
    ddc.readValue = 0xF801;
    MonitorTable monitors;
    LinkState link(ddc, monitors);
    link.setInterfaceMode(InterfaceMode::DdcCi);
    lumivex::testing::RecordingMessages messages;

    const ModelQueryResult result = queryModel(link, messages);
    EXPECT_EQ(result.outcome, ModelQueryResult::Outcome::ReadFailed);
    EXPECT_EQ(modelTitle(result, "K420"), QString());
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(ddc.reads, (std::vector<lumivex::testing::RecordingDdc::Call>{{0, 0xF8, 0}}));
}
