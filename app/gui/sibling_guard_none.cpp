#include "sibling_guard.h"

namespace {

class NoSiblingWindow : public SiblingWindow {
  public:
    bool Find() override { return false; }
    void Raise() override {}
};

}  // namespace

std::unique_ptr<SiblingWindow> MakeSiblingWindow() {
    return std::make_unique<NoSiblingWindow>();
}
