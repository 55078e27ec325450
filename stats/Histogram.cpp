#include "stats/Histogram.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"

namespace gnsslog {

std::int32_t histogramKey(double errorMetres) noexcept
{
    // The order of the two multiplications is part of the binning: it
    // decides which side of a bin edge an error lands on.
    return toInt32(errorMetres * 1000.0 * 0.1);
}

void Histogram::addToBin(std::size_t index) noexcept
{
    ErrorRecord& bin = bins_[index];
    ++bin.count;
    peakCount_ = std::max(peakCount_, bin.count);
}

void Histogram::addSample(double errorMetres)
{
    if (std::isnan(errorMetres)) {
        return;
    }
    const std::int32_t key = histogramKey(errorMetres);
    ++sampleCount_;
    std::uint32_t* near = nearSlot(key);
    if (near != nullptr && *near != 0) {
        addToBin(*near - 1);
        return;
    }
    const auto [slot, inserted] = indexByKey_.try_emplace(key, bins_.size());
    if (!inserted) {
        addToBin(slot->second);
        return;
    }
    if (peakCount_ == 0) {
        peakCount_ = 1;
    }
    if (near != nullptr) {
        *near = static_cast<std::uint32_t>(bins_.size() + 1);
    }
    bins_.push_back(ErrorRecord{key, 1});
}

void Histogram::sortBins()
{
    std::stable_sort(bins_.begin(), bins_.end(),
                     [](const ErrorRecord& a, const ErrorRecord& b) { return a.key < b.key; });
    for (std::size_t i = 0; i < bins_.size(); ++i) {
        indexByKey_[bins_[i].key] = i;
        if (std::uint32_t* near = nearSlot(bins_[i].key)) {
            *near = static_cast<std::uint32_t>(i + 1);
        }
    }
}

}  // namespace gnsslog
