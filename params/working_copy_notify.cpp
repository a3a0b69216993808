#include "params/working_copy_notify.h"

namespace {

void (*parametersChanged)(int loaded) = nullptr;

}  // namespace

void SetParametersChangedNotification(void (*notification)(int loaded)) { parametersChanged = notification; }

void NotifyParametersChanged(int loaded)
{
    if (parametersChanged)
        parametersChanged(loaded);
}
