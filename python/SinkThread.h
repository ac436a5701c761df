#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/OutputSink.h"

namespace drovane::python {

// Hands the blocks written to it to another sink, once started on a thread of its own, in order:
// parsing the CSV text into columns then runs beside a conversion on one thread that writes it,
// rather than after each block. (Beside a conversion on every core it would only take turns with
// it.) At most a few blocks wait, so memory stays that of a few blocks. Not started, it hands each
// block on at once.
class SinkThread final : public OutputSink {
public:
    explicit SinkThread(OutputSink& inner);
    ~SinkThread() override;
    SinkThread(const SinkThread&) = delete;
    SinkThread& operator=(const SinkThread&) = delete;

    // Starts the thread, before the first block is written.
    void Start();
    bool Write(const char* data, std::size_t size) override;
    int ErrorNumber() const override { return 0; }
    // Returns once the inner sink has taken every block written so far.
    void Drain();

private:
    static constexpr std::size_t kMostWaiting = 4;

    void Run();

    OutputSink& inner_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::string> waiting_;
    std::vector<std::string> spare_;  // blocks taken, kept for their room
    bool busy_ = false;               // the thread is handing a block on
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace drovane::python
