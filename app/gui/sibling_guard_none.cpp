#include "sibling_guard.h"

namespace {

class NoSiblingWindow : public SiblingWindow {
  public:
    bool FindAndRaise() override { return false; }
};

}  // namespace

std::unique_ptr<SiblingWindow> MakeSiblingWindow() {
    return std::make_unique<NoSiblingWindow>();
}
