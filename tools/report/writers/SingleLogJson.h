// The JSON document of one log, the same whether one log is reported or
// each of several compared ones.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "log/Gpslog.h"
#include "log/Summary.h"
#include "metrics/Integrity.h"
#include "metrics/NormalisedError.h"
#include "metrics/SessionSummary.h"
#include "metrics/Sessions.h"
#include "metrics/Statistics.h"
#include "reference/ReferenceTrajectory.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

// What goes into the document; a null part is left out.
struct SingleLogJsonParts {
    const GNSSLog& analysis;  // the log itself
    const SummaryTexts& texts;
    const GNSSLog& measured;  // its errors: against the reference where there is one
    const Statistics& statistics;
    const ReferenceTrajectory* reference = nullptr;  // with match and referenceWarnings
    const TruthMatch* match = nullptr;
    const std::vector<std::string>* referenceWarnings = nullptr;
    const NormalisedErrors* normalised = nullptr;  // written when it has epochs
    const Integrity* integrity = nullptr;          // with integrityOptions
    const IntegrityOptions* integrityOptions = nullptr;
    const SessionAnalysis* sessions = nullptr;  // with sessionOptions
    const SessionOptions* sessionOptions = nullptr;
};

// analysisJson's keys, then "statistics", "fixContinuity", "wrongFixes",
// "normalisedError", "integrity", "sessions", "dataQuality", "frame",
// "generator" and "reference", each where its part is given.
nlohmann::ordered_json singleLogJson(const SingleLogJsonParts& parts);

}  // namespace gnsslog
