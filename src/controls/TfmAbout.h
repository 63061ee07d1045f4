#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class TFPanel;

// The About box: logo, author line, web link, program version and a Close
// button on a gradient panel. Created for one showing.
class TfmAbout : public QDialog
{
    Q_OBJECT

public:
    // Opens a web page or a mail composer; the result is not looked at.
    using UrlOpener = std::function<bool(const QUrl &)>;
    // Translates the window's texts in place.
    using WindowTranslator = std::function<void(QWidget *)>;

    static constexpr int ClientWidth = 290;
    static constexpr int ClientHeight = 199;

    // version is the program's version, "major.minor.release.build". Without
    // an opener, links go to the desktop's handler (QDesktopServices).
    explicit TfmAbout(const QString &version, QWidget *parent = nullptr,
                      WindowTranslator translate = {}, UrlOpener openUrl = {});

    // "Version: " and the version's four numbers in decimal; missing numbers
    // are 0, and a version that is not one reads "Version: unknown".
    static QString versionText(const QString &version);

    static QUrl webUrl();
    static QUrl mailUrl();

    TFPanel *FPanel1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblVersion = nullptr;
    QPushButton *SpeedButton1 = nullptr;

public slots:
    void Label1Click();
    void Label2Click();
    void SpeedButton1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void FormCreate(const QString &version, const WindowTranslator &translate);

    UrlOpener m_openUrl;
};
