// The port list while the panel runs: one COM name probed again comes in at
// its place, goes, or stays.

#include "panel/port_list_update.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

using namespace lumivex;

namespace {

struct UpdateRow {
    const char* name;
    QStringList before;
    const char* port;   // the COM name probed again
    int answer;         // its probe's answer: 0 can be opened, 1 absent, 2 in use, 3 closed to the user
    const char* loaded; // the link loaded; "" when none
    QStringList after;
};

const QStringList kStart{"DDC2Bi", "COM3", "COM40"};

const UpdateRow kRows[] = {
    {"comes in between by number", kStart, "COM7", 0, "", {"DDC2Bi", "COM3", "COM7", "COM40"}},
    {"comes in first after DDC2Bi", kStart, "COM1", 0, "", {"DDC2Bi", "COM1", "COM3", "COM40"}},
    {"comes in last", kStart, "COM255", 0, "", {"DDC2Bi", "COM3", "COM40", "COM255"}},
    {"by number not by text", {"DDC2Bi", "COM2", "COM10"}, "COM9", 0, "", {"DDC2Bi", "COM2", "COM9", "COM10"}},
    {"listed already stays once", kStart, "COM40", 0, "", kStart},
    {"gone", kStart, "COM3", 1, "", {"DDC2Bi", "COM40"}},
    {"taken by another program", kStart, "COM3", 2, "", {"DDC2Bi", "COM40"}},
    {"absent and not listed", kStart, "COM7", 1, "", kStart},
    {"the loaded one stays when gone", kStart, "COM3", 1, "COM3", kStart},
    {"another loaded one keeps nothing", kStart, "COM3", 1, "COM40", {"DDC2Bi", "COM40"}},
    {"a loaded name not listed comes in", kStart, "COM7", 0, "COM7", {"DDC2Bi", "COM3", "COM7", "COM40"}},
    {"DDC2Bi never goes", kStart, "DDC2Bi", 1, "", kStart},
    {"beyond COM255 never comes", kStart, "COM256", 0, "", kStart},
    {"not a COM name never comes", kStart, "COMxyz", 0, "", kStart},
    {"comes in before the held controllers", {"DDC2Bi", "COM3", "lobby-east"}, "COM40", 0, "",
     {"DDC2Bi", "COM3", "COM40", "lobby-east"}},
    {"a held controller never goes", {"DDC2Bi", "lobby-east"}, "lobby-east", 1, "", {"DDC2Bi", "lobby-east"}},
};

class PortListUpdate : public ::testing::TestWithParam<UpdateRow> {};

// A failing row is named by its name alone.
void PrintTo(const UpdateRow& row, std::ostream* out)
{
    *out << row.name;
}

}  // namespace

TEST_P(PortListUpdate, OneNameChangesAtItsPlace)
{
    const UpdateRow& row = GetParam();
    const PortListEdit edit = portListEdit(row.before, row.port, row.answer, row.loaded);
    EXPECT_EQ(editedPortList(row.before, row.port, edit), row.after);
    EXPECT_EQ(edit.kind == PortListEdit::Kind::Keep, row.after == row.before) << "keep exactly when nothing changes";
}

INSTANTIATE_TEST_SUITE_P(Rows, PortListUpdate, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});
