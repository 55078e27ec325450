// gnsslog-report against a reference trajectory: the JSON
// "reference" block and the text report's truth line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "reference/ReferenceTrajectory.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

// The "reference" object of the JSON document; records: the rover's,
// one to one with match.records; warnings: what the checks found.
nlohmann::ordered_json referenceJson(const ReferenceTrajectory& reference,
                                     const std::vector<GNSSRecord>& records, const TruthMatch& match,
                                     const std::vector<std::string>& warnings);

// Adds to the "statistics" object of a JSON document what only a reference
// can tell: per class "along" and "cross" figures beside the horizontal
// ones and "speedBands", the horizontal figures by the reference's speed;
// "speedBands" of every class beside the classes.
void addTrackStatisticsJson(nlohmann::ordered_json& document,
                            const std::vector<GNSSRecord>& records, const TruthMatch& match);

// The same figures as text, for --stats: per class with matched epochs,
// along and cross RMS and 95 %, and the horizontal 95 % of each speed band.
void writeTrackStatisticsText(std::ostream& out, const std::vector<GNSSRecord>& records,
                              const TruthMatch& match);

// "Truth: reference trajectory FILE (FORMAT), M of N epochs matched (P %)"
// and, where epochs have no truth, their causes; the latency where it can
// be estimated, and each warning.
void writeReferenceText(std::ostream& out, const ReferenceTrajectory& reference,
                        const std::vector<GNSSRecord>& records, const TruthMatch& match,
                        const std::vector<std::string>& warnings);

}  // namespace gnsslog
