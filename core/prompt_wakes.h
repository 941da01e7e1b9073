// The worker waits on the line for most of a test, and when the machine's XON comes it must
// put the next block on the wire within a character or two, also while other programs keep
// every processor busy: a woken thread of ordinary priority may wait milliseconds for a
// processor. For as long as it lives, PromptWakes asks the system to run the calling thread
// the moment it is woken, as far as the system lets this program, and gives the thread its
// former scheduling back at the end. The thread sleeps between the machine's bytes, so
// what it takes from other programs is what it took before, only sooner.
#pragma once

class PromptWakes {
  public:
    PromptWakes();
    ~PromptWakes();
    PromptWakes(const PromptWakes&) = delete;
    PromptWakes& operator=(const PromptWakes&) = delete;

    // False where the system refused (on Linux, a user without the right to real-time
    // scheduling): the thread then runs as it did.
    bool Granted() const { return granted_; }

  private:
    bool granted_ = false;
    bool changed_ = false;  // a thread that already ran at least as promptly is left as it is
    int previousPolicy_ = 0;
    int previousPriority_ = 0;
};
