// The campaign's test information file.
#include "measure/campaigninfo.h"

#include "compiler/format.h"
#include "files/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

// Each field with where it lives in the struct; the GVWR is a number and has its own member.
struct FieldSlot {
    CampaignInfoField field;
    std::string CampaignInfo::*text; // nullptr for the GVWR
};

const std::vector<FieldSlot> &Slots() {
    static const std::vector<FieldSlot> slots{
        {{"vehicle", "Vehicle"}, &CampaignInfo::vehicle},
        {{"vin", "VIN"}, &CampaignInfo::vin},
        {{"test_mass", "Test mass"}, &CampaignInfo::testMass},
        {{"gvwr", "Gross vehicle weight rating"}, nullptr},
        {{"tyres", "Tyres"}, &CampaignInfo::tyres},
        {{"tyre_pressures", "Tyre pressures"}, &CampaignInfo::tyrePressures},
        {{"site", "Site"}, &CampaignInfo::site},
        {{"dates", "Dates"}, &CampaignInfo::dates},
        {{"surface", "Surface"}, &CampaignInfo::surface},
        {{"peak_friction", "Peak friction coefficient"}, &CampaignInfo::peakFriction},
        {{"ambient_temperature", "Ambient temperature"}, &CampaignInfo::ambientTemperature},
        {{"steering_machine", "Steering machine"}, &CampaignInfo::steeringMachine},
        {{"operator", "Operator"}, &CampaignInfo::operatorName},
    };
    return slots;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "2150", "2150 kg", "2150kg": kg.
double GvwrOf(std::string_view value, int line) {
    std::string text(value);
    if (text.size() > 2 && text.compare(text.size() - 2, 2, "kg") == 0)
        text = std::string(Trimmed(text.substr(0, text.size() - 2)));
    char *end = nullptr;
    const double kg = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(kg) || kg <= 0 || kg > 1e6)
        throw FormatError("line " + std::to_string(line) + ": gvwr \"" + std::string(value) +
                          "\" is no gross vehicle weight rating (a positive number of kg)");
    return kg;
}

} // namespace

const std::vector<CampaignInfoField> &CampaignInfoFields() {
    static const std::vector<CampaignInfoField> fields = [] {
        std::vector<CampaignInfoField> list;
        for (const FieldSlot &slot : Slots()) list.push_back(slot.field);
        return list;
    }();
    return fields;
}

CampaignInfo ParseCampaignInfo(const std::string &text) {
    CampaignInfo info;
    std::vector<std::string> seen;
    int number = 0;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trimmed(line);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        const std::string where = "line " + std::to_string(number) + ": ";
        if (equals == std::string_view::npos)
            throw FormatError(where + "\"" + std::string(line) + "\" is no \"key = value\" line");
        const std::string key(Trimmed(line.substr(0, equals)));
        const std::string_view value = Trimmed(line.substr(equals + 1));
        const FieldSlot *slot = nullptr;
        for (const FieldSlot &s : Slots())
            if (key == s.field.key) slot = &s;
        if (!slot) {
            std::string keys;
            for (const FieldSlot &s : Slots()) keys += (keys.empty() ? "" : ", ") + std::string(s.field.key);
            throw FormatError(where + "unknown key \"" + key + "\" (the keys are " + keys + ")");
        }
        for (const std::string &k : seen)
            if (k == key) throw FormatError(where + "\"" + key + "\" is given twice");
        seen.push_back(key);
        if (slot->text)
            info.*(slot->text) = std::string(value);
        else if (!value.empty())
            info.gvwr = GvwrOf(value, number);
    }
    return info;
}

std::string CampaignInfoValue(const CampaignInfo &info, const std::string &key) {
    for (const FieldSlot &slot : Slots()) {
        if (key != slot.field.key) continue;
        if (slot.text) return info.*(slot.text);
        return info.gvwr ? ShortestFixed(static_cast<float>(*info.gvwr)) + " kg" : std::string();
    }
    return {};
}

std::string CampaignInfoText(const CampaignInfo &info) {
    std::string text =
        "# The test information of a sine-with-dwell campaign: a field left empty is not given.\r\n";
    for (const FieldSlot &slot : Slots()) {
        // A value keeps to its line: a line break in it would start another field.
        std::string value = CampaignInfoValue(info, slot.field.key);
        std::replace_if(
            value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        text += std::string(slot.field.key) + " =" + (value.empty() ? "" : " " + value) + "\r\n";
    }
    return text;
}

std::vector<std::string> CampaignInfoLines(const CampaignInfo &info) {
    std::vector<std::string> lines;
    for (const FieldSlot &slot : Slots()) {
        const std::string value = CampaignInfoValue(info, slot.field.key);
        lines.push_back(std::string(slot.field.label) + ": " + (value.empty() ? "not given" : value));
    }
    return lines;
}
