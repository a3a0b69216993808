#include "ui/banner.h"

#include "platform/controls.h"
#include "platform/new_ctrl.h"
#include "platform/picture.h"
#include "platform/userint.h"
#include "platform/version.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

// The window title and the settings file name the release; the title's tool tip the build.
constexpr int kWhite = 0xFFFFFF;
constexpr int kBannerBlue = 0x0080FF;  // dark enough behind the white texts

}  // namespace

void ShowInfoText(const char* text, int toolTipFlag, int left, int top, int pointSize,
                  int bgColor, int textColor)
{
    const int ctrl = NewCtrl(MainPanel, CTRL_TEXT_MSG, "", top, left);
    SetCtrlAttribute(MainPanel, ctrl, ATTR_TEXT_FONT, VAL_DIALOG_META_FONT);
    SetCtrlAttribute(MainPanel, ctrl, ATTR_TEXT_BGCOLOR, bgColor);
    SetCtrlAttribute(MainPanel, ctrl, ATTR_TEXT_COLOR, textColor);
    SetCtrlAttribute(MainPanel, ctrl, ATTR_TEXT_POINT_SIZE, pointSize);
    if (toolTipFlag)
        SetCtrlAttribute(MainPanel, ctrl, ATTR_TOOLTIP_TEXT, kProductFullVersionText);
    SetCtrlVal(MainPanel, ctrl, text);
}

void ShowLogo()
{
    ShowInfoText(kProductVersionText, 1, 323, 29, 19, VAL_TRANSPARENT, kWhite);
    ShowInfoText("Velmora GmbH", 0, 15, 6, 11, VAL_TRANSPARENT, kWhite);
    // The maker's numbers are placeholders: a number no exchange serves, a reserved domain.
    ShowInfoText("Tel. +49 (0)000 000000-0", 0, 15, 22, 11, VAL_TRANSPARENT, kWhite);
    ShowInfoText("www.velmora.example", 0, 15, 36, 11, VAL_TRANSPARENT, kWhite);

    SetCtrlAttribute(MainPanel, MAINP_DECORATION, ATTR_FRAME_COLOR, kBannerBlue);

    SetCtrlAttribute(MainPanel, MAINP_LOGO, ATTR_TOP, 6);
    SetCtrlAttribute(MainPanel, MAINP_LOGO, ATTR_LEFT, 325);
    // Shown only once loaded, so the start never flashes an empty frame; a missing file leaves
    // an empty picture, which draws nothing.
    DisplayImageFile(MainPanel, MAINP_LOGO, kLogoFile);
    SetCtrlAttribute(MainPanel, MAINP_LOGO, ATTR_VISIBLE, 1);
}
