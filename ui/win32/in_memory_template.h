// A dialog template table turned into the DLGTEMPLATE the Windows dialog manager reads:
// the same ids, styles and dialog units, the template's font by name and size.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog_template.h"
#include "platform_types.h"

// The resource id of the application icon, shown by the template's icon controls.
inline constexpr WORD kApplicationIconId = 128;

class InMemoryTemplate {
  public:
    explicit InMemoryTemplate(const DialogTemplate& source);

    // DWORD-aligned, as the dialog manager requires; valid while this object lives.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Word(WORD value) { words_.push_back(value); }
    void DoubleWord(DWORD value);
    void Text(std::string_view utf8);
    void AlignToDoubleWord();
    void Control(const ControlTemplate& control);

    std::vector<WORD> words_;
};
