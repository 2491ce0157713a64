// The table of channel kinds: the names loggers write resolve to their kind and no other, the units are
// split off names however they are written, and every unit spelling has its kind.
#include "measure/channelkinds.h"

#include <gtest/gtest.h>

namespace {

using K = ChannelKind;

// The kind each name says, by the channel's own name or a word of it; none for what is no channel of a
// run or is another quantity of it.
TEST(MatchName, NamesLoggersWriteSayTheirKindAndNoOther) {
    const std::vector<std::pair<const char *, std::optional<K>>> cases{
        {"Time", K::Time},
        {"t", K::Time},
        {"Timestamp", K::Time},
        {"UTC time", K::Time},
        {"Time_s", K::Time},
        {"lap time", std::nullopt},
        {"SteerAng", K::Steer},
        {"SWA", K::Steer},
        {"Steering_Angle", K::Steer},
        {"SteeringWheelAngle", K::Steer},
        {"Steer [deg]", K::Steer},
        {"hand wheel angle", K::Steer},
        {"steer rate [deg/s]", std::nullopt},
        {"steering velocity", std::nullopt},
        {"Steer torque", std::nullopt},
        {"mark", K::Mark},
        {"Event", K::Mark},
        {"YawRate", K::YawRate},
        {"Yaw_Rate", K::YawRate},
        {"Yaw Rate", K::YawRate},
        {"GyroZ", K::YawRate},
        {"yaw rate 2", K::YawRate},
        {"yaw angle", std::nullopt},
        {"Y_Accel", K::LateralAcceleration},
        {"LatAcc", K::LateralAcceleration},
        {"Lat_Acc", K::LateralAcceleration},
        {"AccY", K::LateralAcceleration},
        {"ay", K::LateralAcceleration},
        {"lateral acceleration [g]", K::LateralAcceleration},
        {"X_Accel", std::nullopt},
        {"Long Acc", std::nullopt},
        {"Velocity", K::Speed},
        {"velocity kmh", K::Speed},
        {"VehSpd", K::Speed},
        {"speed", K::Speed},
        {"vertical velocity kmh", std::nullopt},
        {"wheel speed FL", std::nullopt},
        {"Engine speed", std::nullopt},
        {"Roll", K::Roll},
        {"roll angle", K::Roll},
        {"RollRate", K::RollRate},
        {"Roll_Rate", K::RollRate},
        {"GyroX", K::RollRate},
        {"Sideslip", K::SideslipAngle},
        {"slip angle", K::SideslipAngle},
        {"beta", K::SideslipAngle},
        {"wheel slip ratio", std::nullopt},
        {"Wheel lift RL", K::WheelLift},
        {"sats", std::nullopt},
    };
    for (const auto &[name, kind] : cases) {
        std::vector<K> found;
        for (const ChannelKindInfo &info : ChannelKinds())
            if (MatchName(info.kind, name) != NameMatch::None) found.push_back(info.kind);
        if (kind)
            EXPECT_EQ(found, std::vector<K>{*kind}) << name;
        else
            EXPECT_TRUE(found.empty()) << name << " is taken for " << ChannelKindName(found.front());
    }
    // Own names rank before words: the first sensor's channel before the second's.
    EXPECT_EQ(MatchName(K::YawRate, "YawRate"), NameMatch::Own);
    EXPECT_EQ(MatchName(K::YawRate, "YawRate2"), NameMatch::Word);
}

TEST(SplitColumnName, TakesTheUnitInBracketsOrAsTheLastWord) {
    const std::vector<std::tuple<const char *, const char *, const char *>> cases{
        {"Steer [deg]", "steer", "deg"},
        {"Yaw Rate (rad/s)", "yaw rate", "rad/s"},
        {"velocity kmh", "velocity", "kmh"},
        {"Speed_kmh", "speed", "kmh"},
        {"Time_ms", "time", "ms"},
        {"Speed_ms", "speed_ms", ""},
        {"Ay_g", "ay", "g"},
        {"Y_Accel", "y_accel", ""},
        {"gyro_z", "gyro_z", ""},
        {"Steer [\xb0]", "steer", "\xb0"},
        {" time ", "time", ""},
    };
    for (const auto &[name, base, unit] : cases) {
        const ColumnName split = SplitColumnName(name);
        EXPECT_EQ(split.base, base) << name;
        EXPECT_EQ(split.unit, unit) << name;
    }
}

TEST(KindOfUnit, EverySpellingHasItsKind) {
    const std::vector<std::pair<const char *, UnitKind>> cases{
        {"s", UnitKind::Time},
        {"MS", UnitKind::Time},
        {"deg", UnitKind::Angle},
        {"\xb0", UnitKind::Angle},
        {"\xc2\xb0", UnitKind::Angle},
        {"rad", UnitKind::Angle},
        {"deg/s", UnitKind::AngularRate},
        {"\xc2\xb0/s", UnitKind::AngularRate},
        {"rad/s", UnitKind::AngularRate},
        {"g", UnitKind::Acceleration},
        {"m/s\xc2\xb2", UnitKind::Acceleration},
        {"m/s^2", UnitKind::Acceleration},
        {"km/h", UnitKind::Speed},
        {"mph", UnitKind::Speed},
        {"mm", UnitKind::Length},
        {"furlong", UnitKind::Unknown},
        {"", UnitKind::Unknown},
    };
    for (const auto &[unit, kind] : cases) EXPECT_EQ(KindOfUnit(unit), kind) << unit;
}

// The table is in the order of the enum, and every kind has a unit kind its default unit is of.
TEST(ChannelKinds, TheTableIsInTheOrderOfTheKinds) {
    for (std::size_t k = 0; k < ChannelKinds().size(); ++k) {
        const ChannelKindInfo &info = ChannelKinds()[k];
        EXPECT_EQ(static_cast<std::size_t>(info.kind), k) << info.name;
        EXPECT_EQ(KindOfUnit(info.unit), info.unitKind) << info.name;
        ChannelKind named;
        ASSERT_TRUE(ChannelKindNamed(info.word, named)) << info.word;
        EXPECT_EQ(named, info.kind);
    }
}

} // namespace
