// The CNC control at the far end of the cable, without the cable: bytes from the tool go in
// with the time they arrived, and out come the bytes the control answers with and the data
// it keeps. Every time comes from the caller, so a virtual clock drives it as well as the
// real one does.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace cnc_sim {

// Measured from any fixed origin; the model only takes differences.
using SimTime = std::chrono::nanoseconds;

inline constexpr char kEnq = 0x05;
inline constexpr char kAck = 0x06;
inline constexpr char kXon = 0x11;   // DC1
inline constexpr char kXoff = 0x13;  // DC3
inline constexpr char kNak = 0x15;

struct MachineConfig {
    std::size_t bufferBytes = 256;
    // Bytes per second the control takes out of its receive buffer; 0 takes each byte as it
    // arrives, so the buffer never fills.
    std::uint64_t drainRate = 960;
    std::size_t xoffAt = 192;
    std::size_t xonAt = 64;
    bool startXon = false;
    // The tool purges its input right after opening the port, so a start signal sent in
    // that instant would be lost.
    std::chrono::milliseconds startXonDelay{100};
    std::uint64_t enqEvery = 0;
    // NUL bytes in the machine's replies, as a noisy line or a control's padding brings them;
    // a tool that asked its driver to drop NULs must never see one.
    std::uint64_t nulEvery = 0;
    std::vector<std::uint64_t> nakAt;
    std::chrono::milliseconds nakHold{200};
    // A control busy with something else stops taking data out of its buffer once this
    // many data bytes have arrived: the buffer fills (a control that takes every byte at
    // once gets one for the while) and its marks hold the tool. For stopReadingFor, or for
    // ever when that is not given.
    std::optional<std::uint64_t> stopReadingAt;
    std::optional<std::chrono::milliseconds> stopReadingFor;
    // Line noise: one byte every noiseEvery (zero: none), every byte value once in each
    // round and the rounds in an order drawn from noiseSeed, so DC1, DC3, ENQ, ACK and NAK
    // come among the garbage.
    std::chrono::milliseconds noiseEvery{0};
    std::uint64_t noiseSeed = 1;
};

struct MachineStats {
    std::uint64_t bytesReceived = 0;
    std::uint64_t xoffSent = 0;
    // XONs that ended an XOFF; the start signal is counted apart.
    std::uint64_t xonSent = 0;
    std::uint64_t enqSent = 0;
    std::uint64_t acksReceived = 0;
    std::uint64_t naksSent = 0;
    std::uint64_t nulsSent = 0;
    std::uint64_t noiseSent = 0;
    std::uint64_t overflowBytes = 0;
    // One entry per XON that a data byte followed: from the XON going out to that byte's
    // arrival.
    std::vector<std::chrono::nanoseconds> xonToNextByte;
    bool startXonSent = false;
    bool readingStopped = false;
};

struct Exchange {
    std::string reply;  // for the tool, in the order the control sends it
    std::string data;   // what the control keeps: every byte but the ACKs it asked for
};

class MachineModel {
  public:
    explicit MachineModel(MachineConfig config);

    // The tool has opened the port.
    std::string Connect(SimTime now);
    // Bytes from the tool, all arrived at now.
    Exchange Receive(std::string_view bytes, SimTime now);
    // The replies handed out so far went onto the line at `at`; an XON among them is timed
    // from then to the next data byte.
    void RepliesWritten(SimTime at);
    // Lets time pass: the buffer drains, and the replies that fall due by now go out.
    std::string Advance(SimTime now);

    // The earliest instant at which Advance() would send something, if any is scheduled.
    std::optional<SimTime> NextDue() const;
    // The fewest data bytes after which Receive() may answer (XOFF, ENQ, NUL or NAK), if any
    // would make it; the drain can only put the XOFF later.
    std::optional<std::uint64_t> DataBytesUntilReply() const;
    std::size_t Fill() const { return fill_; }
    const MachineStats& Stats() const { return stats_; }

  private:
    // Whether arriving bytes wait in the buffer: always at a finite rate, and while the
    // control has stopped reading.
    bool Buffers() const { return config_.drainRate != 0 || readingStopped_; }
    void Drain(SimTime now);
    void TakeDataByte(char c, SimTime now, Exchange& exchange);
    char NoiseByte();

    MachineConfig config_;
    MachineStats stats_;
    std::size_t fill_ = 0;
    // The buffer drains at a steady rate from the moment it last stopped being empty.
    SimTime drainingSince_{};
    std::uint64_t drainedSince_ = 0;
    bool held_ = false;
    bool xonUnwritten_ = false;
    std::optional<SimTime> xonAwaitingByte_;
    std::uint64_t enqOutstanding_ = 0;
    std::optional<SimTime> nakHoldEnds_;
    std::optional<SimTime> startXonDue_;
    bool readingStopped_ = false;
    std::optional<SimTime> readingResumes_;
    std::optional<SimTime> noiseDue_;
    std::mt19937_64 noiseRandom_;
    std::array<unsigned char, 256> noiseRound_{};
    std::size_t noiseDealt_ = 256;
};

}  // namespace cnc_sim
