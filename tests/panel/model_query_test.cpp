// The model query under DDC/CI and without a link, and the title it gives.
// The serial query runs against zepta-sim in the Interface page's tests.

#include "link_state.h"
#include "model_query.h"
#include "monitor_table.h"
#include "recording_ddc.h"
#include "recording_messages.h"

#include <gtest/gtest.h>

using namespace lumivex;
using lumivex::testing::RecordingDdc;
using lumivex::testing::RecordingMessages;
using Outcome = ModelQueryResult::Outcome;

TEST(ModelQuery, DdcValueGivesModelAndTitle)
{
    const struct {
        InterfaceMode mode;
        int32_t status;
        uint32_t value;
        Outcome outcome;
        int32_t index;
        QString title;
        QStringList messages;
    } cases[] = {
        {InterfaceMode::DdcCi, 0, 0xF800, Outcome::Known, 0, "ZEPTA-Lumivex K410 V1.5", {}},
        {InterfaceMode::DdcCi, 0, 0xF801, Outcome::Known, 1, "ZEPTA-Lumivex K420 V1.5", {}},
        {InterfaceMode::DdcCi, 0, 0xF802, Outcome::Unknown, -1, "ZEPTA-Lumivex V1.5", {}},
        {InterfaceMode::DdcCi, 0, 0x0001, Outcome::Unknown, -1, "ZEPTA-Lumivex V1.5", {}},
        {InterfaceMode::DdcCi, 1, 0xF801, Outcome::ReadFailed, -1, "", {}},
        {InterfaceMode::None, 0, 0xF801, Outcome::NoLink, -1, "", {"Interface port unload"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "status " << c.status << " value " << std::hex << c.value);
        RecordingDdc ddc;
        ddc.readStatus = c.status;
        ddc.readValue = c.value;
        MonitorTable monitors;
        LinkState link(ddc, monitors);
        link.setInterfaceMode(c.mode);
        RecordingMessages messages;

        const ModelQueryResult result = queryModel(link, messages);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.modelIndex, c.index);
        const QString name = result.modelIndex == 1 ? "K420" : "K410";
        EXPECT_EQ(modelTitle(result, name), c.title);
        EXPECT_EQ(messages.texts, c.messages);
        std::vector<RecordingDdc::Call> expectedReads;
        if (c.mode == InterfaceMode::DdcCi)
            expectedReads.push_back({0, 0xF8, 0});
        EXPECT_EQ(ddc.reads, expectedReads);
    }
}
