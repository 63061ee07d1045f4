#pragma once

#include <QDialog>

#include <memory>

class QKeyEvent;
class QListWidget;

namespace Ui {
class TfmLibVoices;
}

// The small modal window in which the user picks one voice of an opened
// voice library. The owner fills `lstVoices` with the reader's voice lines,
// shows the window modally and reads the result: Accepted (OK) or not, and
// the selected row (-1 for none).
//
// OK is the default button, so Enter closes with OK; a double-click on a line
// closes with OK too. There is no Cancel: Escape does nothing, and only the
// caption's close box closes the window without OK.
class TfmLibVoices : public QDialog
{
    Q_OBJECT

public:
    // Look of the list: a fixed-pitch bold font so that the right-aligned
    // voice numbers line up, on the light grey of the main window's lists.
    static inline const QString ListFontFamily = QStringLiteral("Courier");
    static constexpr int ListFontPixels = 13;
    static constexpr int ItemHeight = 13;
    static constexpr int WindowFontPixels = 11;
    static constexpr int ListRed = 241;
    static constexpr int ListGreen = 239;
    static constexpr int ListBlue = 235;

    explicit TfmLibVoices(QWidget *owner = nullptr);
    ~TfmLibVoices() override;

    QListWidget *lstVoices() const;
    // Row of the selected line, -1 when none is selected.
    int selectedIndex() const;

    // Double-click on a line: closes the window with OK.
    void lstVoicesDblClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::TfmLibVoices> m_ui;
};
