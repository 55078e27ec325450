// A job run on a second thread, or on this one when no thread can be
// started; wait() returns once it has run and rethrows what it threw.
#pragma once

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace gnsslog {

class SideJob {
public:
    template <class Job>
    SideJob(bool threaded, Job&& job)
    {
        auto guarded = [this, job = std::forward<Job>(job)]() mutable {
            try {
                job();
            } catch (...) {
                error_ = std::current_exception();
            }
        };
        if (threaded) {
            try {
                thread_ = std::thread(guarded);
                return;
            } catch (const std::system_error&) {
                // No thread to be had: run it here instead.
            }
        }
        guarded();
    }
    SideJob(const SideJob&) = delete;
    SideJob& operator=(const SideJob&) = delete;
    ~SideJob()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    void wait()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
        if (error_) {
            std::rethrow_exception(error_);
        }
    }

private:
    std::thread thread_;
    std::exception_ptr error_;
};

}  // namespace gnsslog
