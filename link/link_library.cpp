#include "link/link_library.h"

#include "platform/runtime.h"

int InitLinkLibrary(int argc, char** argv)
{
    InitRunTimeWithoutWindow(argc, argv);
    SetStartValues();
    return 1;
}
