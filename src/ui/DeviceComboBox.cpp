#include "DeviceComboBox.h"

void DeviceComboBox::showPopup()
{
    if (OnPopup)
        OnPopup();
    QComboBox::showPopup();
}
