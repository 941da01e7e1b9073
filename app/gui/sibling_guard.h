// Whether the sibling DNC application already has a window open on this desktop.
#pragma once

#include <memory>

class SiblingWindow {
  public:
    virtual ~SiblingWindow() = default;
    // Finds a top-level window titled exactly "Velidor for Marlux"; when there is one,
    // restores it from a minimised state and raises it, and returns true.
    virtual bool FindAndRaise() = 0;
};

// The lookup for the window system the program runs on; one that cannot list other
// programs' windows finds nothing.
std::unique_ptr<SiblingWindow> MakeSiblingWindow();
