// Identifiers of the panels and controls of the user-interface file Chromix5VantageV10.ui, with
// the object name each has in the file. The file and this list go together: a test checks that
// every name here exists in the file.
//
// Controls on a tab page are addressed with the page's panel handle (GetPanelHandleFromTabPage).
#pragma once

#include <cstring>

#include "platform/userint.h"

inline constexpr char kUirFile[] = "Chromix5VantageV10.ui";

#define DIROR_PANELS(X)                                                                    \
    X(MAINP, 1)       /* main panel, top-level window */                                   \
    X(DATAP, 2)       /* data panel, child of the main panel at top 63, left 286 */        \
    X(TABP_CONNECT, 3) /* page 0 of the main tab control */                                \
    X(TABP_PARAM, 4)  /* page 1 of the main tab control */                               \
    X(WBP, 5)         /* the parameter workbench, top-level window */

#define DIROR_CONTROLS(X)                                                                  \
    /* main panel */                                                                       \
    X(MAINP_TAB, 101)                                                                      \
    X(MAINP_BUTTON_SEND, 102)                                                              \
    X(MAINP_BUTTON_GET, 103)                                                               \
    X(MAINP_BUTTON_GO, 104)                                                                \
    X(MAINP_BUTTON_STOP, 105)                                                              \
    X(MAINP_TOGGLE_SENSOR, 106)                                                            \
    X(MAINP_TOGGLE_FILE, 107)                                                              \
    X(MAINP_AVERAGE, 108)                                                                  \
    X(MAINP_LANGUAGE, 109)                                                                 \
    X(MAINP_BUTTON_FREQ, 110)                                                              \
    X(MAINP_SCANFREQ, 111)                                                                 \
    X(MAINP_BUTTON_START, 112)                                                             \
    X(MAINP_LOGO, 113)                                                                     \
    X(MAINP_DECORATION, 114)                                                               \
    /* connection page */                                                                  \
    X(CONP_PROTOCOL, 201)                                                                  \
    X(CONP_COMPORT, 202)                                                                   \
    X(CONP_BAUDRATE, 203)                                                                  \
    X(CONP_IPADDRESS, 204)                                                                 \
    X(CONP_PORTNUMBER, 205)                                                                \
    X(CONP_BUTTON_TRYCONNECT, 206)                                                         \
    X(CONP_BUTTON_DISCONNECT, 207)                                                         \
    X(CONP_BUTTON_ACCEPT, 208)                                                             \
    X(CONP_BUTTON_FINDCOM, 209)                                                            \
    X(CONP_STATUSBOX, 210)                                                                 \
    /* parameter page */                                                                   \
    X(PARP_POWER, 301)                                                                     \
    X(PARP_MAXVECNO, 302)                                                                  \
    X(PARP_GAIN, 303)                                                                      \
    X(PARP_INTEGRAL, 304)                                                                  \
    X(PARP_TEACHTABLE, 305)                                                                \
    /* data panel */                                                                       \
    X(DATAP_STATUS, 401)                                                                   \
    X(DATAP_COMPORT, 402)                                                                  \
    X(DATAP_IPADDRESS, 403)                                                                \
    X(DATAP_R, 404)                                                                        \
    X(DATAP_G, 405)                                                                        \
    X(DATAP_B, 406)                                                                        \
    X(DATAP_X, 407)                                                                        \
    X(DATAP_Y, 408)                                                                        \
    X(DATAP_INT, 409)                                                                      \
    X(DATAP_COLNO, 410)                                                                    \
    X(DATAP_GRAPH_XY, 411)                                                                 \
    X(DATAP_GRAPH_XINT, 412)                                                               \
    X(DATAP_GRAPH_YINT, 413)                                                               \
    X(DATAP_STRIPCHART, 414)                                                               \
    X(DATAP_BUTTON_RECORD, 415)                                                            \
    X(DATAP_BUTTON_RECFOLDER, 416)                                                         \
    X(DATAP_RECORD_STATE, 417)                                                             \
    X(DATAP_RECORD_RATE, 418)                                                              \
    X(DATAP_BUTTON_OPENREC, 419)                                                           \
    X(DATAP_REPLAY_PLAY, 420)                                                              \
    X(DATAP_REPLAY_SPEED, 421)                                                             \
    X(DATAP_REPLAY_TIME, 422)                                                              \
    X(DATAP_REPLAY_CLOSE, 423)                                                             \
    /* parameter workbench */                                                              \
    X(WBP_PARAMS, 601)                                                                     \
    X(WBP_TEACH, 602)                                                                      \
    X(WBP_DIFFS, 603)                                                                      \
    X(WBP_MESSAGE, 604)                                                                    \
    X(WBP_DIFF_TITLE, 605)                                                                 \
    X(WBP_SEND, 606)                                                                       \
    X(WBP_COMPARE_SENSOR, 607)                                                             \
    X(WBP_COMPARE_FILE, 608)                                                               \
    X(WBP_COMPARE_SNAPSHOT, 609)                                                           \
    X(WBP_RESTORE, 610)                                                                    \
    X(WBP_OPEN, 611)                                                                       \
    X(WBP_SAVE, 612)                                                                       \
    X(WBP_PREVIEW, 613)                                                                    \
    X(WBP_FILTER, 614)                                                                     \
    X(WBP_DEFAULT, 615)                                                                    \
    X(WBP_SNAPSHOTS_TITLE, 616)                                                            \
    X(WBP_SNAPSHOTS, 617)

#define DIROR_ENUM(name, value) name = value,
enum UirPanel : int { DIROR_PANELS(DIROR_ENUM) };
enum UirControl : int { DIROR_CONTROLS(DIROR_ENUM) };
#undef DIROR_ENUM

using UirName = UiName;

#define DIROR_ENTRY(name, value) {name, #name},
inline constexpr UirName kUirPanels[] = {DIROR_PANELS(DIROR_ENTRY)};
inline constexpr UirName kUirControls[] = {DIROR_CONTROLS(DIROR_ENTRY)};
#undef DIROR_ENTRY

// The object name of an identifier, or null.
inline const char* UirPanelName(int id)
{
    for (const UirName& n : kUirPanels)
        if (n.id == id)
            return n.name;
    return nullptr;
}
inline const char* UirControlName(int id)
{
    for (const UirName& n : kUirControls)
        if (n.id == id)
            return n.name;
    return nullptr;
}
// The identifier of an object name, or 0.
inline int UirControlId(const char* name)
{
    for (const UirName& n : kUirControls)
        if (std::strcmp(n.name, name) == 0)
            return n.id;
    return 0;
}
