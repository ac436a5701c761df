#include "rawlog/InputWindow.h"

#include <cstring>

namespace drovane {

InputWindow::InputWindow(ByteSource& source, std::size_t capacity)
    : source_(source),
      start_(new std::uint8_t[capacity]),
      capacity_(capacity),
      position_(start_.get()),
      end_(start_.get()) {}

bool InputWindow::Refill(std::size_t count) {
    if (exhausted_) return false;
    if (observer_ != nullptr) observer_->OnInputProgress(Consumed());
    // Keep the unread tail and fill the rest of the buffer behind it.
    std::size_t unread = static_cast<std::size_t>(end_ - position_);
    consumedBefore_ += static_cast<std::uint64_t>(position_ - start_.get());
    std::memmove(start_.get(), position_, unread);
    position_ = start_.get();
    end_ = start_.get() + unread;
    std::uint8_t* limit = start_.get() + capacity_;
    while (static_cast<std::size_t>(end_ - position_) < count && end_ != limit) {
        std::size_t got = source_.Read(end_, static_cast<std::size_t>(limit - end_));
        if (got == 0) {
            exhausted_ = true;
            break;
        }
        end_ += got;
    }
    return static_cast<std::size_t>(end_ - position_) >= count;
}

}  // namespace drovane
