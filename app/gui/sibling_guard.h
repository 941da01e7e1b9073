// Whether the sibling DNC application already has a window open on this desktop.
#pragma once

#include <memory>

class SiblingWindow {
  public:
    virtual ~SiblingWindow() = default;
    // Looks for a top-level window titled exactly "Velidor for Marlux".
    virtual bool Find() = 0;
    // Restores the window Find found from a minimised state and brings it to the front; no
    // effect when there was none or it has gone since.
    virtual void Raise() = 0;
};

// The lookup for the window system the program runs on; one that cannot list other
// programs' windows finds nothing.
std::unique_ptr<SiblingWindow> MakeSiblingWindow();
