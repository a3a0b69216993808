#include "ui/find_com_ports.h"

#include <cstdio>
#include <string>

#include "platform/controls.h"
#include "platform/rs232.h"
#include "platform/userint.h"
#include "ui/help_texts.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

// Below each number the operator sees which device it is: its path, where a link leads, and
// what the system knows of the adapter.
std::string detailLine(int port)
{
    const ComPortDetails d = GetComPortDetails(port);
    if (d.device.empty())
        return {};
    std::string line = "  " + d.device;
    if (!d.target.empty())
        line += " -> " + d.target;
    if (!d.description.empty())
        line += ", " + d.description;
    if (!d.serialNumber.empty())
        line += ", serial number " + d.serialNumber;
    return line + "\n";
}

}  // namespace

int CBF_ButtonFindComPorts(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonFindComPorts);
        return 0;
    }
    if (event != EVENT_COMMIT)
        return 0;
    int ports[255];
    const int found = LocateCom("", ports, 255);
    if (found == 0)
        return 0;
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "Following COM PORTS are available:\n");
    for (int i = 0; i < found && i < 255; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "COM%d\n", ports[i]);
        SetCtrlVal(ConnectPage, CONP_STATUSBOX, line);
        SetCtrlVal(ConnectPage, CONP_STATUSBOX, detailLine(ports[i]).c_str());
    }
    return 0;
}
