#include "params/working_copy_notify.h"

namespace {

void (*parametersChanged)() = nullptr;

}  // namespace

void SetParametersChangedNotification(void (*notification)()) { parametersChanged = notification; }

void NotifyParametersChanged()
{
    if (parametersChanged)
        parametersChanged();
}
