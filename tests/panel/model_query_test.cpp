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

// Only a reply naming the K420 makes it the K420; anything else, or no
// reply, is the first model, and what the device said is kept.
TEST(ModelQuery, SerialRepliesOfEveryKind)
{
    const struct {
        const char* name;
        std::optional<int32_t> reply;
        int32_t model;
        int32_t serialValue;
    } cases[] = {
        {"0", 0, 0, 0}, {"1", 1, 1, 1}, {"2", 2, 0, 2}, {"0xFF", -1, 0, -1}, {"none", std::nullopt, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lumivex::testing::RecordingDdc ddc;
        MonitorTable monitors;
        LinkState link(ddc, monitors);
        link.setInterfaceMode(InterfaceMode::Serial);
        if (c.reply) {
            const std::vector<uint8_t> reply{4, 26, uint8_t(*c.reply), uint8_t(-(4 + 26 + *c.reply))};
            link.receiveBuffer().append(reply);
        }
        lumivex::testing::RecordingMessages messages;
        const ModelQueryResult result = queryModel(link, messages);
        EXPECT_EQ(result.outcome, ModelQueryResult::Outcome::Known);
        EXPECT_EQ(result.modelIndex, c.model);
        EXPECT_EQ(result.replied, c.reply.has_value());
        EXPECT_EQ(result.serialValue, c.serialValue);
    }
}
