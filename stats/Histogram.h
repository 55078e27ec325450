// Error histogram with one-centimetre bins.
//
// Errors arrive in metres and are binned by their whole centimetres,
// truncated toward zero, so bin 0 spans (-0.01 m, +0.01 m) and every other
// bin one centimetre. Bins keep the order in which their keys first
// appeared until sortBins() puts them in ascending key order.
//
// Storage: the bins live by value in one vector, and a hash map from key to
// bin index makes addSample() constant time on average, so a histogram with
// many distinct keys still fills in linear time. Keys near zero, where
// nearly every error of a good solution falls, are looked up in a small
// table first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace gnsslog {

struct ErrorRecord {
    std::int32_t key = 0;    // error in whole centimetres, truncated toward zero
    std::int32_t count = 0;  // samples with this key, at least 1
};

// Centimetre key of an error in metres: metres to millimetres, then to
// centimetres, truncated toward zero and saturated to the int32 range.
std::int32_t histogramKey(double errorMetres) noexcept;

class Histogram {
public:
    // Adds one error (metres). A NaN error is not a sample and is ignored.
    void addSample(double errorMetres);

    // Stable sort of the bins by ascending key.
    void sortBins();

    std::size_t binCount() const noexcept { return bins_.size(); }
    const std::vector<ErrorRecord>& bins() const noexcept { return bins_; }
    std::int32_t sampleCount() const noexcept { return sampleCount_; }
    std::int32_t peakCount() const noexcept { return peakCount_; }

private:
    // Keys in [-kNearKeys, kNearKeys) index nearBin_, which holds bin index
    // + 1, or 0 for a key not seen yet.
    static constexpr std::int32_t kNearKeys = 128;
    std::uint32_t* nearSlot(std::int32_t key) noexcept
    {
        return key >= -kNearKeys && key < kNearKeys
                   ? &nearBin_[static_cast<std::size_t>(key + kNearKeys)]
                   : nullptr;
    }
    void addToBin(std::size_t index) noexcept;

    std::vector<ErrorRecord> bins_;
    std::array<std::uint32_t, 2 * kNearKeys> nearBin_{};
    std::unordered_map<std::int32_t, std::size_t> indexByKey_;
    std::int32_t sampleCount_ = 0;
    std::int32_t peakCount_ = 0;
};

}  // namespace gnsslog
