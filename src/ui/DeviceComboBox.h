#pragma once

#include <QComboBox>

#include <functional>

// A list of MIDI devices that is filled anew each time the user opens it:
// devices come and go while the program runs, so the rows are taken from
// the machine at the moment they are shown, not when the window was made.
class DeviceComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DeviceComboBox(QWidget *parent = nullptr) : QComboBox(parent) {}

    // Runs just before the list drops down; it may refill the rows.
    std::function<void()> onPopup;

    void showPopup() override;
};
