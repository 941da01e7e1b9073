// The machine's end of the cable: the master side of a pty, whose slave the tool opens as
// its COM port.
#pragma once

#include <termios.h>

#include <chrono>
#include <string>
#include <string_view>

class PtyMaster {
  public:
    PtyMaster();
    ~PtyMaster() { Close(); }
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

    // Hangs up the line, as a pulled cable or a closed simulator would.
    void Close();

    void Write(std::string_view bytes) const;

    // What arrives until count bytes are in or within has passed.
    std::string Read(std::size_t count,
                     std::chrono::milliseconds within = std::chrono::seconds(2)) const;

    // Through the master the test reads and sets the line settings of the tool's side.
    void SetSlaveTermios(const termios& t) const;
    termios SlaveTermios() const;

  private:
    int fd_ = -1;
    std::string slavePath_;
};
