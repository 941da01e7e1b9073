#pragma once

#include <optional>
#include <string>
#include <string_view>

// Looks a key up in INI text. Section and key names compare without regard to ASCII case,
// as registry names do. Keys before any section header belong to "General". Lines may
// end in CR LF; ';' and '#' start comment lines; blanks around names and values are
// dropped. When a key appears twice in its section the last one counts, as it would for
// someone who appended a line to change it.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);
