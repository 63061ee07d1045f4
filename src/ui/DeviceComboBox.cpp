#include "DeviceComboBox.h"

void DeviceComboBox::showPopup()
{
    if (onPopup)
        onPopup();
    QComboBox::showPopup();
}
