#pragma once

// Replaces each field of g_portSettings whose stored value can be read; the others keep
// what they hold. Failures are silent.
void LoadPortSettings();
