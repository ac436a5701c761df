#include "python/SinkThread.h"

namespace drovane::python {

SinkThread::SinkThread(OutputSink& inner) : inner_(inner) {}

void SinkThread::Start() {
    thread_ = std::thread([this] { Run(); });
}

SinkThread::~SinkThread() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool SinkThread::Write(const char* data, std::size_t size) {
    if (!thread_.joinable()) return inner_.Write(data, size);
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return waiting_.size() < kMostWaiting; });
    std::string block;
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
    }
    block.assign(data, size);
    waiting_.push_back(std::move(block));
    changed_.notify_all();
    return true;
}

void SinkThread::Drain() {
    if (!thread_.joinable()) return;
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return waiting_.empty() && !busy_; });
}

void SinkThread::Run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        changed_.wait(hold, [&] { return !waiting_.empty() || ending_; });
        if (waiting_.empty()) return;
        std::string block = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        hold.unlock();
        inner_.Write(block.data(), block.size());
        hold.lock();
        busy_ = false;
        spare_.push_back(std::move(block));
        changed_.notify_all();
    }
}

}  // namespace drovane::python
