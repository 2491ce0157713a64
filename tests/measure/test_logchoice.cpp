// The choice of each channel's column: said where several fit (by unit, own name or order), by place for
// the time only, and refused for a steer no column is named as; messages name the channel and the
// columns, and the front end's words follow.
#include "measure/channels.h"

#include <gtest/gtest.h>

namespace {

using K = ChannelKind;

ChannelChoice Choose(const std::string &header, K kind, const std::string &given = "") {
    return ChooseColumn(ParseLogTable(header + "\n0,0,0,0,0,0\n1,1,1,1,1,1\n"), kind, given);
}

TEST(ChooseColumn, SaysWhichOfSeveralItTakesAndWhy) {
    struct Case {
        const char *header;
        K kind;
        const char *given;
        int column;
        ChoiceBasis basis;
        const char *text; // empty: not said
    };
    const std::vector<Case> cases{
        {"Time,SteerAng,Yaw_Rate,YawRate,Y_Accel", K::YawRate, "", 3, ChoiceBasis::Order,
         "yaw rate: column 3 \"Yaw_Rate\" taken, the first of 2 columns named as a yaw rate alike (also "
         "column 4 "
         "\"YawRate\")"},
        {"time,steer [deg/s],steer angle [deg]", K::Steer, "", 3, ChoiceBasis::Unit,
         "steer: column 3 \"steer angle [deg]\" taken, the one named as a steer whose unit deg is an angle's "
         "(also "
         "column 2 \"steer [deg/s]\" in deg/s)"},
        {"time,SWA,SteerAngle [deg]", K::Steer, "", 3, ChoiceBasis::Unit,
         "steer: column 3 \"SteerAngle [deg]\" taken, the one named as a steer whose unit deg is an angle's "
         "(also "
         "column 2 \"SWA\" with no unit)"},
        {"time,YawRate2,YawRate", K::YawRate, "", 3, ChoiceBasis::OwnName,
         "yaw rate: column 3 \"YawRate\" taken, the one named as a yaw rate by a name of its own (also "
         "column 2 "
         "\"YawRate2\")"},
        {"stamp,steer", K::Time, "", 1, ChoiceBasis::Position,
         "time: column 1 \"stamp\" taken by its place: no column is named as the time"},
        {"time,steer,yaw rate", K::YawRate, "", 3, ChoiceBasis::Only, ""},
        {"Time,SteerAng,Yaw_Rate,YawRate", K::YawRate, "4", 4, ChoiceBasis::Option, ""},
        {"Time,SteerAng,Yaw_Rate,YawRate", K::YawRate, "yawrate", 4, ChoiceBasis::Option, ""},
        {"time,steer", K::Roll, "", 0, ChoiceBasis::None, ""},
    };
    for (const Case &c : cases) {
        const ChannelChoice choice = Choose(c.header, c.kind, c.given);
        EXPECT_EQ(choice.taken.number, c.column) << c.header;
        EXPECT_EQ(choice.basis, c.basis) << c.header;
        EXPECT_EQ(choice.Said(), *c.text != 0) << c.header;
        if (*c.text) {
            EXPECT_EQ(ChoiceText(choice), c.text);
        }
    }
}

// The steer is never taken by its place: a lateral acceleration in column 2 is no steer.
TEST(ReadTableChannels, ChannelsThatCannotBeReadNameTheirColumns) {
    struct Case {
        std::string header;
        ChannelProblem problem;
        K kind;
        const char *message;
    };
    const std::vector<Case> cases{
        {"Timestamp,AY,YAWRATE,STW_X", ChannelProblem::Unnamed, K::Steer,
         "no column's name says it is the steer (its columns: Timestamp, AY, YAWRATE, STW_X); by its place "
         "it would "
         "be column 2 \"AY\", named as a lateral acceleration"},
        {"time,steer,ay,GyroX [deg/s]", ChannelProblem::Missing, K::YawRate,
         "the log has no yaw rate column (its columns: time, steer, ay, GyroX [deg/s]); of them column 4 "
         "\"GyroX "
         "[deg/s]\" holds an angular rate"},
        {"time,Steer [deg/s],ay,yaw", ChannelProblem::OtherUnit, K::Steer,
         "column 2 \"Steer [deg/s]\" is named the steer but holds an angular rate (deg/s)"},
    };
    for (const Case &c : cases) {
        try {
            ParseVehicleLog(c.header + "\n0,0,0,0\n1,1,1,1\n", {});
            ADD_FAILURE() << c.header;
        } catch (const ChannelError &e) {
            EXPECT_EQ(e.problem(), c.problem) << c.header;
            EXPECT_EQ(e.choice().kind, c.kind) << c.header;
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

// An optional channel named so whose column holds text is left out, said, and the log read without it.
TEST(ReadTableChannels, AnOptionalColumnOfTextIsLeftOutAndSaid) {
    VehicleLogOptions options;
    options.needsYawRate = options.needsLateralAcceleration = false;
    const VehicleLog log = ParseVehicleLog("time,steer,event\n0,1,start\n0.5,2,\n1,3,stop\n", options);
    EXPECT_EQ(log.time.size(), 3u);
    EXPECT_TRUE(log.mark.empty());
    const std::vector<std::string> notes = ReadingNotes(log.info, {});
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(
        notes[0],
        "column 3 \"event\" is named as a mark but holds \"start\" on line 2, no number: it is not read");
}

// The notes carry the front end's words: the option for a column, the option for a run.
TEST(ReadingNotes, CarryTheFrontEndsHints) {
    std::string text = "Time,SteerAng,Yaw_Rate,YawRate,Y_Accel\n";
    for (int i = 0; i <= 1000; ++i) {
        const double t = i * 0.01, steer = (t > 1 && t < 2) || (t > 6 && t < 7) ? 50 : 0;
        text += std::to_string(t) + "," + std::to_string(steer) + ",1,1,0.1\n";
    }
    PickHints hints;
    hints.column = [](const ChannelChoice &c) {
        return std::string("pick with the ") + ChannelKindName(c.kind) + " box";
    };
    hints.run = "pick one in the list";
    const std::vector<std::string> notes = ReadingNotes(ParseVehicleLog(text, {}).info, hints);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(notes[0].ends_with("(also column 4 \"YawRate\"); pick with the yaw rate box")) << notes[0];
    EXPECT_EQ(notes[1],
              "the log holds 2 runs (steer away from its rest, with rest between): 1: 1.000 to 2.000 s, 2: "
              "6.000 to 7.000 s; it was read whole; pick one in the list");
}

} // namespace
