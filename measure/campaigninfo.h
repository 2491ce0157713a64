// The test information of a campaign: a short text file of "key = value" lines (Latin-1, CR LF, '#'
// starting a comment), that the command line reads with --info and the window edits, and the lines the
// report prints of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CampaignInfo {
    std::string vehicle, vin, testMass, tyres, tyrePressures, site, dates, surface, peakFriction,
        ambientTemperature, steeringMachine, operatorName; // as written; empty: not given
    std::optional<double> gvwr;                            // kg
};

// A field of the file: its key and the report's label.
struct CampaignInfoField {
    const char *key;   // "vehicle", "vin", "test_mass", ...
    const char *label; // "Vehicle", "VIN", "Test mass", ...
};
// Every field in the order the file and the report list them.
const std::vector<CampaignInfoField> &CampaignInfoFields();

// Reads the file's text (CR LF or LF). Throws FormatError naming the line for an unknown key, a line
// without "=", a key given twice, or a GVWR that is no positive number of kg ("2150" or "2150 kg").
CampaignInfo ParseCampaignInfo(const std::string &text);

// The file's text: every field on its line, in order, "key =" for one not given; CR LF.
std::string CampaignInfoText(const CampaignInfo &info);

// The value of a field by its key, as written ("" when not given; the GVWR as "2150 kg").
std::string CampaignInfoValue(const CampaignInfo &info, const std::string &key);

// "Vehicle: Rehearsal car", "VIN: not given", ...: one line per field.
std::vector<std::string> CampaignInfoLines(const CampaignInfo &info);
