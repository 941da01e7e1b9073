// The --link name: a symbolic link to the slave, so a tool can be set up once with a fixed
// device path although every run gets a new pty.
#pragma once

#include <string>

namespace cnc_sim {

class PortLink {
  public:
    // Replaces an existing symbolic link at path; refuses anything else there.
    PortLink(std::string path, std::string target);
    // Removes the link unless someone has pointed it elsewhere meanwhile.
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

  private:
    std::string path_;
    std::string target_;
};

}  // namespace cnc_sim
