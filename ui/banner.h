// The banner across the top of the main panel: product title with its full version as tool tip,
// the maker's name, telephone number and web address, and the logo. Built in code at start.
#pragma once

// The bitmap of the logo, looked for beside the program.
inline constexpr char kLogoFile[] = "logoKX.bmp";

// Creates a text message on the main panel at (left, top) showing `text` in the standard dialog
// font at `pointSize`, with ground colour bgColor (0xRRGGBB or VAL_TRANSPARENT) and text colour
// textColor. With a non-zero toolTipFlag the text carries the program's full version as its tool
// tip. Nothing is reported; a failure leaves the banner without this text.
void ShowInfoText(const char* text, int toolTipFlag, int left, int top, int pointSize,
                  int bgColor, int textColor);

// Builds the banner on the main panel, once, at start. A missing or unreadable kLogoFile leaves
// the logo empty and is not reported.
void ShowLogo();
