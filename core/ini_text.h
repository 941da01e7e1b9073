#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Looks a key up in INI text. Section and key names compare without regard to ASCII case,
// as registry names do. Keys before any section header belong to "General". Lines may
// end in CR LF; ';' and '#' start comment lines, and after a blank they start a comment
// at the end of a value line ("ParityBit=2   ; even"); blanks around names and values are
// dropped. When a key appears twice in its section the last one counts, as it would for
// someone who appended a line to change it.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// The text with the given keys of section set to the given values: every line that sets
// one of them gets the new value in place of the old (its spacing and end-of-line comment
// kept), keys the section lacks are added after its last key line (or a new section is
// made), and every other byte stays as it was. New lines end as the text's first line does.
std::string SetIniValues(std::string_view text, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values);
