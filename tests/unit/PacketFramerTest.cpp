// The framer on its own, with a stand-in for the decoder and the row writer that notes what it is
// told: which records are taken and where packets close. Framing knows nothing of decoding.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/MemoryStreams.h"
#include "rawlog/PacketFramer.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

using test::LogBuilder;

// Notes "<id>" for each record and "|" for each close; stops after `closesBeforeStop` closes.
class NotingFramer : public PacketFramer<NotingFramer> {
public:
    NotingFramer(const RunOptions& options, TextBuffer& diagnostics, int closesBeforeStop)
        : PacketFramer(options, diagnostics), closesLeft_(closesBeforeStop) {}

    std::string events;

private:
    friend PacketFramer<NotingFramer>;
    void Record(std::uint16_t id, const std::uint8_t*) {
        char text[8];
        std::snprintf(text, sizeof text, "%03X ", id);
        events += text;
    }
    void ClosePacket() {
        events += "| ";
        --closesLeft_;
    }
    bool Stopped() const { return closesLeft_ <= 0; }

    int closesLeft_;
};

std::string Frame(const std::string& log, int closesBeforeStop = 1000) {
    StringOutputSink sink;
    TextBuffer diagnostics(sink);
    NotingFramer framer(RunOptions{}, diagnostics, closesBeforeStop);
    MemoryByteSource source(log);
    InputWindow window(source, 64);
    framer.Run(window);
    return framer.events;
}

TEST(PacketFramer, RecordsAndClosesInOrder) {
    LogBuilder log;
    log.Record(0x56D).Junk(5);                                           // hunted over
    log.Record(0x020).Record(0x0B4).Record(0x5C8).Record(0x56D);         // finished
    log.Record(0x3CB);                                                   // between cycles: hunted over
    log.Record(0x020).Record(0x3CB).Record(0x7FF, {}, 4).Record(0x0B4);  // unknown record skipped
    log.Record(0x020).Record(0x022).Record(0x56D);                       // the second 0x020 restarts
    EXPECT_EQ(Frame(log.Text()), "020 0B4 5C8 56D | 020 3CB 0B4 | 020 022 56D | ");
}

// Once nothing more can be written the framer stops, after the record whose arrival closed the
// packet (its decoding comes first or last as when the run goes on).
TEST(PacketFramer, StopsAfterTheRecordThatClosedThePacket) {
    LogBuilder log;
    log.Record(0x020).Record(0x0B4).Record(0x020).Record(0x0B4).Record(0x56D).Record(0x020);
    EXPECT_EQ(Frame(log.Text(), 1), "020 0B4 | 020 ");
    EXPECT_EQ(Frame(log.Text(), 2), "020 0B4 | 020 0B4 56D | ");
    LogBuilder skipped;
    skipped.Record(0x020).Record(0x0B4);
    for (int i = 0; i < 80; ++i) skipped.Record(0x7FF, {}, 4);
    skipped.Record(0x3CB).Record(0x0B4);
    EXPECT_EQ(Frame(skipped.Text(), 1), "020 0B4 | 3CB ");
}

}  // namespace
}  // namespace drovane
