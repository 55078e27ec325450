#include "log/Gpslog.h"

#include "log/formats/Formats.h"
#include "log/Pipeline.h"

namespace gnsslog {

GNSSLog::GNSSLog(std::uint8_t truthMode_, double manualX_, double manualY_, double manualZ_)
    : manualX(manualX_), manualY(manualY_), manualZ(manualZ_), truthMode(truthMode_)
{
}

GNSSLog::GNSSLog(const char* fileName, ProgressCallback progress, bool toKKJ, bool navcomBinary,
                 std::uint8_t truthMode_, double manualX_, double manualY_, double manualZ_,
                 bool verifyNmeaChecksum)
    : GNSSLog(truthMode_, manualX_, manualY_, manualZ_)
{
    runPipeline(*this, fileName, progress, DecodeOptions{toKKJ},
                withChecksumCheck(navcomBinary ? navcomFormat() : nmeaFormat(), verifyNmeaChecksum),
                PipelineOptions{});
}

GNSSLog::GNSSLog(const char* fileName, ProgressCallback progress,
                 const DecodeOptions& decodeOptions, const InputFormat& format,
                 std::uint8_t truthMode_, double manualX_, double manualY_, double manualZ_)
    : GNSSLog(truthMode_, manualX_, manualY_, manualZ_)
{
    runPipeline(*this, fileName, progress, decodeOptions, format, PipelineOptions{});
}

double GNSSLog::truthX() const noexcept
{
    switch (truthMode) {
    case TruthMode::Averaged: return avgX;
    case TruthMode::FirstFix: return firstFixX;
    case TruthMode::Manual: return manualX;
    default: return 0;
    }
}

double GNSSLog::truthY() const noexcept
{
    switch (truthMode) {
    case TruthMode::Averaged: return avgY;
    case TruthMode::FirstFix: return firstFixY;
    case TruthMode::Manual: return manualY;
    default: return 0;
    }
}

bool GNSSLog::truthUndefined() const noexcept
{
    return truthMode == TruthMode::Averaged && rtkFixCount == 0 && !records.empty();
}

double GNSSLog::truthZ() const noexcept
{
    switch (truthMode) {
    case TruthMode::Averaged: return avgZ;
    case TruthMode::FirstFix: return firstFixZ;
    case TruthMode::Manual: return manualZ;
    default: return 0;
    }
}

}  // namespace gnsslog
