// The colours the teach table and the graphs share, so that a taught row and its circle in the
// side views look alike.
#pragma once

// The row palette of the teach table and the graphs: row r (from 1) takes entry (r - 1) mod 15.
inline constexpr int kRowPalette[15] = {0xFF0000, 0x80FF00, 0x0000FF, 0x000000, 0xFF80C0,
                                        0xFFFF00, 0x808000, 0x800080, 0x80FFFF, 0xFF0080,
                                        0x400080, 0xFF00FF, 0x008000, 0x408080, 0x800000};
inline constexpr int kLightGrey = 0xC0C0C0;
