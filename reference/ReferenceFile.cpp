#include "reference/ReferenceFile.h"

#include <algorithm>

#include "log/Gpslog.h"
#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "platform/LogFile.h"
#include "reference/ReferenceCsv.h"

namespace gnsslog {

namespace {

// Up to count bytes from the file's current position.
std::string readBytes(LogFile& file, std::uint64_t count)
{
    std::string bytes(static_cast<std::size_t>(count), '\0');
    bytes.resize(file.read(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    return bytes;
}

ReferenceLoad loadLog(const std::string& fileName, const InputFormat& format,
                      const std::string& head)
{
    DecodeOptions options;
    options.toKKJ = false;  // the trajectory needs geodetic positions only
    const GNSSLog log(fileName.c_str(), nullptr, options, format, TruthMode::Averaged, 0, 0, 0);
    if (!log.openError.empty()) {
        ReferenceLoad load;
        load.error = log.openError;
        return load;
    }
    const RecordClock clock =
        format.recordClock(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
    return trajectoryFromRecords(log.records, clock, fileName, format.name());
}

}  // namespace

RecordClock logRecordClock(const std::string& fileName, const InputFormat& format)
{
    LogFile file(fileName.c_str());
    const std::string head =
        file.isOpen() ? readBytes(file, std::min<std::uint64_t>(file.size(), kDetectionBytes)) : "";
    return format.recordClock(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
}

ReferenceLoad trajectoryFromRecords(const std::vector<GNSSRecord>& records, RecordClock clock,
                                    const std::string& fileName, std::string_view formatName)
{
    ReferenceLoad load;
    ReferenceTrajectory& trajectory = load.trajectory;
    trajectory.file = fileName;
    trajectory.format = std::string(formatName);
    trajectory.clock = clock;
    // Dated epochs count from the date's origin, as the trajectory's do.
    const double origin = clock.date == DateKnown::FullDate ? clock.dateOrigin : 0;
    trajectory.clock.dateOrigin = 0;
    trajectory.epochs.reserve(records.size());
    for (const GNSSRecord& record : records) {
        if (!record.has(ValidFlag::LatLon | ValidFlag::Height) ||
            !fitsAfterLast(trajectory, record.time + origin, record.height)) {
            ++trajectory.skipped;
            continue;
        }
        ReferenceEpoch epoch;
        epoch.time = record.time + origin;
        epoch.position = wgs84ToEcef(record.latitude, record.longitude, record.height);
        trajectory.epochs.push_back(epoch);
    }
    if (trajectory.epochs.size() < kMinimumReferenceEpochs) {
        load.error = tooFewEpochsError(fileName, trajectory.epochs.size());
    }
    return load;
}

ReferenceLoad loadReference(const std::string& fileName, std::string_view formatName)
{
    ReferenceLoad load;
    LogFile file(fileName.c_str());
    if (!file.isOpen()) {
        load.error = file.error();
        return load;
    }
    const std::string head = readBytes(file, std::min<std::uint64_t>(file.size(), kDetectionBytes));
    if (formatName == kCsvReferenceFormat ||
        (formatName.empty() && looksLikeReferenceCsv(head))) {
        return readReferenceCsv(head + readBytes(file, file.size() - head.size()), fileName);
    }
    const InputFormat* format =
        formatName.empty()
            ? detectInputFormat(reinterpret_cast<const std::uint8_t*>(head.data()), head.size())
            : findInputFormat(formatName);
    if (format == nullptr) {
        load.error = formatName.empty()
                         ? fileName + ": neither a CSV reference nor a log in a known format"
                         : fileName + ": unknown reference format '" + std::string(formatName) + "'";
        return load;
    }
    return loadLog(fileName, *format, head);
}

}  // namespace gnsslog
