// Bit-for-bit comparisons of analysis results, and record properties that
// hold for every decoder output; shared by the fuzz targets (fuzz/) and the
// core tests.
#pragma once

#include <string>
#include <vector>

#include "log/GnssRecord.h"
#include "log/Gpslog.h"
#include "stats/Histogram.h"

namespace gnsslog::testing {

// Equal bit patterns: two NaNs of the same pattern are equal, 0.0 and -0.0
// differ.
bool sameBits(double a, double b) noexcept;

// All sixteen fields, doubles bit for bit.
bool sameRecord(const GNSSRecord& a, const GNSSRecord& b) noexcept;
// The accuracy figures bit for bit as well.
bool sameAccuracy(const AccuracyFigures& a, const AccuracyFigures& b) noexcept;
bool sameRecord(const DecodedRecord& a, const DecodedRecord& b) noexcept;

// Equal except for the grid fields and their validFlags bit: all the KKJ
// flag of a decoder may change.
bool sameApartFromGrid(const GNSSRecord& a, const GNSSRecord& b) noexcept;

// Sample count, peak and every bin (key and count, in order).
bool sameHistogram(const Histogram& a, const Histogram& b);

// Every member of two analyses: records, counts, every double bit for bit,
// settings, openError and the five histograms. why, when given, receives
// the first difference.
bool sameAnalysis(const GNSSLog& a, const GNSSLog& b, std::string* why = nullptr);

// The analysis's records with their accuracy figures, as decoded.
std::vector<DecodedRecord> decodedRecordsOf(const GNSSLog& log);

// No double field is infinite or NaN.
bool allFinite(const GNSSRecord& r) noexcept;

// Every field whose group bit in validFlags is clear reads 0 (a property of
// valid records).
bool clearGroupsReadZero(const GNSSRecord& r) noexcept;
bool clearGroupsReadZero(const DecodedRecord& r) noexcept;

}  // namespace gnsslog::testing
